#include "base/Md5.h"
#include "base/Rc4.h"
#include "config/EmbeddedSettings.h"

#include <gtest/gtest.h>

#include <string>

using namespace launcher;

namespace {

std::string hex(std::span<const uint8_t> bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (uint8_t b : bytes) {
        out.push_back(digits[b >> 4]);
        out.push_back(digits[b & 15]);
    }
    return out;
}

Bytes fromHex(std::string_view text) {
    Bytes out;
    for (size_t i = 0; i + 1 < text.size(); i += 2) out.push_back(static_cast<uint8_t>(std::stoi(std::string(text.substr(i, 2)), nullptr, 16)));
    return out;
}

Bytes bytesOf(std::string_view text) { return Bytes(text.begin(), text.end()); }

struct Md5Case {
    std::string input;
    const char* digest;
};

class Md5Vectors : public testing::TestWithParam<Md5Case> {};

TEST_P(Md5Vectors, MatchesReferenceDigest) {
    EXPECT_EQ(hex(md5(GetParam().input)), GetParam().digest) << "length " << GetParam().input.size();
}

INSTANTIATE_TEST_SUITE_P(Rfc1321AndPaddingBoundaries, Md5Vectors, testing::Values(
    Md5Case{"", "d41d8cd98f00b204e9800998ecf8427e"},
    Md5Case{"a", "0cc175b9c0f1b6a831c399e269772661"},
    Md5Case{"abc", "900150983cd24fb0d6963f7d28e17f72"},
    Md5Case{"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
    Md5Case{"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
    Md5Case{"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "d174ab98d277d9f5a5611c2c9f419d9f"},
    Md5Case{"12345678901234567890123456789012345678901234567890123456789012345678901234567890", "57edf4a22be3c955ac49da2e2107b67a"},
    // Lengths around the 56-byte mark where the length field spills into a
    // second padding block, and around whole blocks.
    Md5Case{std::string(55, 'a'), "ef1772b6dff9a122358552954ad0df65"},
    Md5Case{std::string(56, 'a'), "3b0c8ac703f828b04c6c197006d17218"},
    Md5Case{std::string(63, 'a'), "b06521f39153d618550606be297466d5"},
    Md5Case{std::string(64, 'a'), "014842d480b571495a4a0363793f7367"},
    Md5Case{std::string(65, 'a'), "c743a45e0d2e6a95cb859adae0248435"},
    Md5Case{std::string(119, 'a'), "8a7bd0732ed6a28ce75f6dabc90e1613"},
    Md5Case{std::string(120, 'a'), "5f61c0ccad4cac44c75ff505e1f1e537"},
    Md5Case{std::string(1000, 'a'), "cabe45dcc9ae5b66ba86600cca6b8ba8"}));

struct Rc4Case {
    Bytes key;
    Bytes plain;
    const char* cipher;
};

class Rc4Vectors : public testing::TestWithParam<Rc4Case> {};

TEST_P(Rc4Vectors, MatchesReferenceKeyStream) {
    Bytes data = GetParam().plain;
    Rc4(GetParam().key).apply(data);
    EXPECT_EQ(hex(data), GetParam().cipher);
}

INSTANTIATE_TEST_SUITE_P(KnownVectors, Rc4Vectors, testing::Values(
    Rc4Case{bytesOf("Key"), bytesOf("Plaintext"), "bbf316e8d940af0ad3"},
    Rc4Case{bytesOf("Wiki"), bytesOf("pedia"), "1021bf0420"},
    Rc4Case{bytesOf("Secret"), bytesOf("Attack at dawn"), "45a01f645fc35b383552544b9bf5"},
    // RFC 6229, 40-bit and 128-bit keys, first 16 and 32 bytes of key stream.
    Rc4Case{fromHex("0102030405"), Bytes(16), "b2396305f03dc027ccc3524a0a1118a8"},
    Rc4Case{fromHex("0102030405060708090a0b0c0d0e0f10"), Bytes(32), "9ac7cc9a609d1ef7b2932899cde41b975248c4959014126a6e8a84f11d1a9e1c"},
    // A 40-bit key padded with zero bytes to 128 bits, the shape the base
    // cryptographic provider uses.
    Rc4Case{fromHex("01020304050000000000000000000000"), Bytes(32), "ee5441e6b38c2d5a75a6db590a1cbd2a8f4f473114c3def2b040b3a7a6432764"}));

TEST(Rc4, KeyStreamContinuesAcrossCalls) {
    Bytes whole(300, 0x5A);
    Rc4(bytesOf("stream")).apply(whole);
    Bytes pieces(300, 0x5A);
    Rc4 cipher(bytesOf("stream"));
    cipher.apply(std::span<uint8_t>(pieces).subspan(0, 1));
    cipher.apply(std::span<uint8_t>(pieces).subspan(1, 200));
    cipher.apply(std::span<uint8_t>(pieces).subspan(201));
    EXPECT_EQ(pieces, whole);
}

TEST(Rc4, EmptyKeyIsUsable) {
    Bytes data(8, 0);
    Rc4(std::span<const uint8_t>()).apply(data);
    EXPECT_NE(data, Bytes(8, 0));
}

// The expected bytes were produced by the Base Cryptographic Provider
// (CryptDeriveKey with CALG_RC4 from a CALG_MD5 hash, then CryptDecrypt).
struct ProviderCase {
    std::u16string key;
    const char* cipher;
};

class DecipherPortable : public testing::TestWithParam<ProviderCase> {};

TEST_P(DecipherPortable, MatchesCryptographicProvider) {
    EXPECT_EQ(hex(decipherPortable(GetParam().key, bytesOf("The quick brown fox jumps over the lazy dog"))), GetParam().cipher);
}

INSTANTIATE_TEST_SUITE_P(AsciiKeys, DecipherPortable, testing::Values(
    ProviderCase{u"", "56fd1f027dd37d828aefdd174f18f093ff0a327391831824de03a208f95bc7888a9c6dbe23347fe09cf57b"},
    ProviderCase{u"Key", "ee9a2e1903de4d5c4ee39cbfe6a201c69597c35d04d1c418658a8be6d03d7ca39b35bd16b57d9a34c6eb10"},
    ProviderCase{u"{11111111-2222-3333-4444-555555555555}", "e01d7c2532007c85f7bf553b44fa1fc2cfdf242a45c47b7a87d66d8bfa9fe4956563ded395b8064c556532"}));

TEST(DecipherPortableRoundTrip, RestoresDataOfEveryLength) {
    for (size_t length : {0u, 1u, 2u, 255u, 256u, 4097u}) {
        Bytes plain(length);
        for (size_t i = 0; i < length; ++i) plain[i] = static_cast<uint8_t>(i * 7 + 3);
        Bytes enciphered = decipherPortable(u"round trip", plain);
        EXPECT_EQ(enciphered.size(), length);
        if (length > 8) {
            EXPECT_NE(enciphered, plain);
        }
        EXPECT_EQ(decipherPortable(u"round trip", enciphered), plain) << length;
    }
}

TEST(DecipherPortableKey, EndsAtFirstNul) {
    Bytes data = bytesOf("embedded settings");
    EXPECT_EQ(decipherPortable(std::u16string(u"Key\0tail", 8), data), decipherPortable(u"Key", data));
    EXPECT_NE(decipherPortable(u"Key2", data), decipherPortable(u"Key", data));
}

struct BytesTextCase {
    Bytes bytes;
    std::u16string text;
};

class BytesToText : public testing::TestWithParam<BytesTextCase> {};

TEST_P(BytesToText, ReadsLittleEndianUnitsAndDropsOddByte) {
    EXPECT_EQ(bytesToText(GetParam().bytes), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Lengths, BytesToText, testing::Values(
    BytesTextCase{{}, u""},
    BytesTextCase{{0x41}, u""},
    BytesTextCase{{0x41, 0x00}, u"A"},
    BytesTextCase{{0x41, 0x00, 0x2D, 0x4E, 0x7F}, u"A\u4E2D"},
    BytesTextCase{{0x00, 0xD8, 0x0A, 0x00}, std::u16string{char16_t(0xD800), u'\n'}}));

TEST(TextToBytes, InvertsBytesToText) {
    std::u16string text = u"[S]\r\nk=\u00e9\u4e2d";
    text.push_back(char16_t(0xDC00)); // a lone surrogate passes through unchanged
    Bytes bytes = textToBytes(text);
    EXPECT_EQ(bytes.size(), text.size() * 2);
    EXPECT_EQ(bytes[0], '[');
    EXPECT_EQ(bytes[1], 0);
    EXPECT_EQ(bytesToText(bytes), text);
}

// Test programs carry no embedded configuration.
TEST(EmbeddedSettingsText, EmptyWithoutResources) {
    EXPECT_TRUE(loadOwnResource(kEmbeddedSettingsResource).empty());
    EXPECT_TRUE(loadOwnResource(4242).empty());
    EXPECT_EQ(readEmbeddedSettingsText(u"{11111111-2222-3333-4444-555555555555}"), u"");
}

} // namespace
