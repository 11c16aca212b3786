// The vendor's signature on a runtime feed, on both platforms' cryptography
// (libcrypto on Linux, BCrypt under Wine) with the same openssl-made keys
// and signatures; and the strict readers of the key, the signature and the
// key's base64 text.

#include "FeedFixtures.h"
#include "update/Base64.h"
#include "update/EcdsaDer.h"
#include "update/FeedSignature.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>

namespace launcher {
namespace {

using test::fixtureBytes;
using ByteList = std::vector<uint8_t>;
using O = SignatureOutcome;

ByteList edited(std::u16string_view base64, const std::function<void(ByteList&)>& edit) {
    ByteList bytes = fixtureBytes(base64);
    edit(bytes);
    return bytes;
}

struct SignatureCase {
    const char* label;
    size_t changedFeedByte; // kNoChange: the feed as signed
    ByteList signature;
    ByteList key;
    // Nothing: refused, by the key's reader or by the curve's arithmetic,
    // as the platform decides.
    std::optional<SignatureOutcome> outcome;
};
void PrintTo(const SignatureCase& c, std::ostream* out) { *out << c.label; }

class FeedSignatureTest : public ::testing::TestWithParam<SignatureCase> {};

TEST_P(FeedSignatureTest, IsValidOnlyForTheRightKeyOverTheExactBytes) {
    const SignatureCase& c = GetParam();
    std::string feed(test::kSignedFeed);
    if (c.changedFeedByte < feed.size()) feed[c.changedFeedByte] ^= 1;
    const SignatureVerdict verdict = verifyFeedSignature(asBytes(feed), c.signature, c.key);
    if (c.outcome) {
        EXPECT_EQ(verdict.outcome, *c.outcome) << toUtf8(verdict.reason);
    } else {
        EXPECT_FALSE(verdict.valid());
    }
    EXPECT_EQ(verdict.reason.empty(), verdict.valid()) << toUtf8(verdict.reason);
}

constexpr size_t kNoChange = std::string_view::npos;
const ByteList kSignatureDer = fixtureBytes(test::kSignature);
const ByteList kRightDer = fixtureBytes(test::kRightKey);

INSTANTIATE_TEST_SUITE_P(
    Rows, FeedSignatureTest,
    ::testing::Values(
        SignatureCase{"RightKey", kNoChange, kSignatureDer, kRightDer, O::Valid},
        SignatureCase{"RightKeyBothPadded", kNoChange, fixtureBytes(test::kPaddedSignature), kRightDer, O::Valid},
        SignatureCase{"RightKeyShortS", kNoChange, fixtureBytes(test::kShortSignature), kRightDer, O::Valid},
        SignatureCase{"WrongKey", kNoChange, kSignatureDer, fixtureBytes(test::kWrongKey), O::Mismatch},
        SignatureCase{"FeedByteChanged", test::kSignedFeed.find("=7") + 1, kSignatureDer, kRightDer, O::Mismatch},
        SignatureCase{"FeedLastByteChanged", test::kSignedFeed.size() - 1, kSignatureDer, kRightDer, O::Mismatch},
        SignatureCase{"SignatureByteChanged", kNoChange, edited(test::kSignature, [](auto& b) { b[10] ^= 1; }),
                      kRightDer, O::Mismatch},
        SignatureCase{"SignatureTruncated", kNoChange, edited(test::kSignature, [](auto& b) { b.pop_back(); }),
                      kRightDer, O::BadSignature},
        SignatureCase{"SignatureEmpty", kNoChange, {}, kRightDer, O::BadSignature},
        SignatureCase{"SignatureWithAByteMore", kNoChange, edited(test::kSignature, [](auto& b) { b.push_back(0); }),
                      kRightDer, O::BadSignature},
        SignatureCase{"KeyJunk", kNoChange, kSignatureDer, ByteList{'j', 'u', 'n', 'k'}, O::BadKey},
        SignatureCase{"KeyOnAnotherCurve", kNoChange, kSignatureDer, fixtureBytes(test::kP384Key), O::BadKey},
        SignatureCase{"KeyWithAByteMore", kNoChange, kSignatureDer,
                      edited(test::kRightKey, [](auto& b) { b.push_back(0); }), O::BadKey},
        SignatureCase{"KeyPointOffTheCurve", kNoChange, kSignatureDer,
                      edited(test::kRightKey, [](auto& b) { b.back() ^= 1; }), std::nullopt}),
    [](const auto& info) { return std::string(info.param.label); });

ByteList derHex(std::string_view text) {
    ByteList bytes;
    auto digit = [](char c) { return c <= '9' ? c - '0' : c - 'a' + 10; };
    for (size_t i = 0; i + 1 < text.size(); i += 2) {
        bytes.push_back(static_cast<uint8_t>(digit(text[i]) << 4 | digit(text[i + 1])));
    }
    return bytes;
}

TEST(P256SignatureReader, TakesOnlyTheOneEncodingOfTwoPositiveNumbers) {
    const std::string k32 = "0102030405060708091011121314151617181920212223242526272829303132";
    const std::pair<std::string, bool> rows[] = {
        {"3006020101020101", true},
        {"3025" "0220" + k32 + "020101", true},      // r as wide as the curve
        {"3007" "020200ff" "020101", true},          // a zero byte before a high bit
        {"3006020101020101" "00", false},            // a byte after the sequence
        {"3007020101020101" "00", false},            // a byte inside it
        {"3009020101020101020101", false},           // three numbers
        {"3007" "02020001" "020101", false},         // a needless zero byte
        {"3006" "020181" "020101", false},           // negative
        {"3006" "020100" "020101", false},           // zero
        {"3026" "0221" "01" + k32 + "020101", false}, // wider than the curve
        {"308106020101020101", false},               // the long form of a short length
        {"3080020101020101" "0000", false},          // BER's indefinite length
        {"3006020101020201", false},                 // a length past the end
    };
    for (const auto& [der, taken] : rows) EXPECT_EQ(parseP256Signature(derHex(der)).has_value(), taken) << der;
    const std::optional<P256Signature> small = parseP256Signature(derHex("3007020101020200ff"));
    ASSERT_TRUE(small);
    EXPECT_EQ(small->r[31], 1);
    EXPECT_EQ(small->s[31], 0xff);
    EXPECT_EQ(small->s[30], 0);
}

TEST(P256PublicKeyReader, TakesOnlyAnUncompressedPointOfTheCurve) {
    const ByteList right = fixtureBytes(test::kRightKey);
    const std::optional<P256Point> point = parseP256PublicKey(right);
    ASSERT_TRUE(point);
    EXPECT_TRUE(std::equal(point->x.begin(), point->x.end(), right.end() - 64));
    EXPECT_TRUE(std::equal(point->y.begin(), point->y.end(), right.end() - 32));
    // 0x30 0x59, the algorithm's 0x30 0x13 and 19 bytes, 0x03 0x42, the
    // count of unused bits at 25, the point's marker at 26, X, Y.
    const std::pair<const char*, std::function<void(ByteList&)>> edits[] = {
        {"UnusedBits", [](ByteList& b) { b[25] = 1; }},
        {"CompressedMarker", [](ByteList& b) { b[26] = 0x02; }},
        {"CompressedPoint", [](ByteList& b) { b.resize(59), b[1] = 0x39, b[24] = 0x22, b[26] = 0x02; }},
        {"AnotherCurve", [](ByteList& b) { b[22] = 0x08; }}, // 1.2.840.10045.3.1.8
        {"LongFormLength", [](ByteList& b) { b.insert(b.begin() + 1, 0x81); }},
    };
    for (const auto& [label, edit] : edits) EXPECT_FALSE(parseP256PublicKey(edited(test::kRightKey, edit))) << label;
}

TEST(Base64, DecodesOnlyCanonicalText) {
    const std::pair<std::u16string_view, std::optional<std::string>> rows[] = {
        {u"", ""}, {u"TWFu", "Man"}, {u"TWE=", "Ma"}, {u"TQ==", "M"}, {u"+/+/", "\xfb\xff\xbf"},
        {u"TR==", std::nullopt}, // bits left over in the padding
        {u"TWE", std::nullopt},  {u"TW=u", std::nullopt}, {u"T===", std::nullopt}, {u"TQ===", std::nullopt},
        {u"TWFu\n", std::nullopt}, {u" TWFu", std::nullopt}, {u"-_AA", std::nullopt},
    };
    for (const auto& [text, bytes] : rows) {
        std::optional<std::vector<uint8_t>> decoded = decodeBase64(text);
        EXPECT_EQ(decoded ? std::optional<std::string>(std::string(decoded->begin(), decoded->end())) : std::nullopt,
                  bytes)
            << toUtf8(text);
    }
}

} // namespace
} // namespace launcher
