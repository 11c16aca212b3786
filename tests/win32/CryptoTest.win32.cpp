// The platform's cryptographic provider and the portable cipher decipher
// the embedded configuration to the same bytes.

#include "config/EmbeddedSettings.h"

#include <gtest/gtest.h>

using namespace launcher;

namespace {

Bytes sample(size_t length) {
    Bytes data(length);
    uint32_t state = static_cast<uint32_t>(length) + 1;
    for (uint8_t& b : data) {
        state = state * 1664525 + 1013904223;
        b = static_cast<uint8_t>(state >> 24);
    }
    return data;
}

struct CryptoCase {
    const char* name;
    std::u16string key;
};

class CryptoApiDecipher : public testing::TestWithParam<CryptoCase> {};

TEST_P(CryptoApiDecipher, MatchesPortableCipher) {
    for (size_t length : {0u, 1u, 2u, 15u, 16u, 17u, 255u, 256u, 1000u, 65537u}) {
        Bytes data = sample(length);
        Bytes platform = decipher(GetParam().key, data);
        ASSERT_EQ(platform.size(), length) << "the provider failed";
        EXPECT_EQ(platform, decipherPortable(GetParam().key, data)) << "length " << length;
        EXPECT_EQ(decipher(GetParam().key, platform), data) << "length " << length;
    }
}

INSTANTIATE_TEST_SUITE_P(Keys, CryptoApiDecipher, testing::Values(
    CryptoCase{"Empty", u""},
    CryptoCase{"Short", u"k"},
    CryptoCase{"UpgradeCode", u"{11111111-2222-3333-4444-555555555555}"},
    CryptoCase{"Long", std::u16string(300, u'x')},
    CryptoCase{"Latin1", u"Schl\u00fcssel \u00e9t\u00e9"},
    CryptoCase{"OutsideTheCodePage", u"\u4e2d\u6587 \u0416 \U0001F511"},
    CryptoCase{"WithTerminatorInside", std::u16string(u"key\0rest", 8)}),
    [](const testing::TestParamInfo<CryptoCase>& info) { return std::string(info.param.name); });

} // namespace
