#pragma once
// Keys, a feed and its signatures made once with the openssl CLI, so that
// the Windows suites, which cannot run it, check the very same bytes:
//
//   openssl ecparam -name prime256v1 -genkey -noout -out right.pem
//   openssl pkey -in right.pem -pubout -outform DER | base64 -w0   # kRightKey
//   (the same for wrong.pem: kWrongKey; -name secp384r1: kP384Key)
//   openssl dgst -sha256 -sign right.pem -out feed.ini.sig feed.ini  # feed.ini is kSignedFeed
//   base64 -w0 feed.ini.sig
//
// ECDSA signs with a fresh random number each time; among repeated
// signatures were picked ones whose r and s are 32 bytes each, both 33
// (a zero byte before a high bit), and 33 and 31 (a short s), so that each
// form of DER integer meets the platform's check.

#include "update/Base64.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace launcher::test {

inline constexpr std::u16string_view kRightKey =
    u"MFkwEwYHKoZIzj0CAQYIKoZIzj0DAQcDQgAEvfdafSlJnoBkpl4WbfHLxqmm9riZHqmEjZf58+afvbJu6oG/FAVEq0r/lJ9u8mjD88ILZ9Hw7d/oYkhZFQOuuA==";
inline constexpr std::u16string_view kWrongKey =
    u"MFkwEwYHKoZIzj0CAQYIKoZIzj0DAQcDQgAEtjQC1B2fQiL30PM7vpg9cZuX71XKWIBbNSEKS9Uwir3seQ+d2DEyeW0ZqWDyAI53xOtAUBpGOF/SysqtqRvVwA==";
inline constexpr std::u16string_view kP384Key =
    u"MHYwEAYHKoZIzj0CAQYFK4EEACIDYgAEb+l6UD+hA/JvvZQ3yqx9rkkvx8QBJ3sOjXjV8XFYMOZk02GdsSZHEwywkiKRNdQRnDNyqn9PcbslhJa02k6kO7MFikI6LghOiL187ZVHWoKLgPsm8W/ECFBoaBvSZWay";

inline constexpr std::string_view kSignedFeed =
    "[Feed]\n"
    "Product Code={11111111-2222-3333-4444-555555555555}\n"
    "Sequence=7\n"
    "\n"
    "[linux-x64]\n"
    "URL=https://downloads.example.com/runtime-21.0.3-linux-x64.tar.gz\n"
    "SHA-256=0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdef\n"
    "Size=48213120\n"
    "Version=21.0.3\n"
    "\n"
    "[windows-x64]\n"
    "URL=https://downloads.example.com/runtime-21.0.3-windows-x64.zip\n"
    "SHA-256=fedcba9876543210fedcba9876543210fedcba9876543210fedcba9876543210\n"
    "Size=47110000\n"
    "Version=21.0.3\n";
inline constexpr std::u16string_view kSignedFeedProduct = u"{11111111-2222-3333-4444-555555555555}";

// r and s of 32, 33 and 33, 33 and 31 bytes.
inline constexpr std::u16string_view kSignature =
    u"MEQCIC3ExAjbUIwRaB2z5yx2kCcpNKZCFaOf4hqRM5twHSItAiB06hOtDTbTpw9xy8ANe/ELKpS5F2XUGKY3IAgZc+6u3w==";
inline constexpr std::u16string_view kPaddedSignature =
    u"MEYCIQCFsw+KNNBpcU5Jn1X+lSIg4iv/72C0w8haiwc7yBHGqwIhAIB0jQhgNU/nW82km0hOPeD7n1cPrI/PA5MucugyPjF8";
inline constexpr std::u16string_view kShortSignature =
    u"MEQCIQCUoydwqQiIpNFiJw4H5T9LfyfSaJ5szDltu2Crr/OI0AIfLd+gHJi/YyDRdRmpMudAMm+NmHtY3yPQ+KiGtE84Xw==";

inline std::vector<uint8_t> fixtureBytes(std::u16string_view base64) {
    return decodeBase64(base64).value_or(std::vector<uint8_t>{});
}

inline std::string fixtureText(std::u16string_view base64) {
    const std::vector<uint8_t> bytes = fixtureBytes(base64);
    return std::string(bytes.begin(), bytes.end());
}

} // namespace launcher::test
