// The vendor's signature on a runtime feed, on both platforms' cryptography
// (libcrypto on Linux, BCrypt under Wine), with the same openssl-made keys
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

std::string changedAt(std::string_view text, size_t at) {
    std::string changed(text);
    changed[at] = static_cast<char>(changed[at] ^ 0x01);
    return changed;
}

ByteList edited(std::u16string_view base64, const std::function<void(ByteList&)>& edit) {
    ByteList bytes = fixtureBytes(base64);
    edit(bytes);
    return bytes;
}

struct SignatureCase {
    const char* label;
    std::string feed;
    ByteList signature;
    ByteList key;
    // Nothing: refused, but whether by the key's reader or the curve's
    // arithmetic is the platform's business.
    std::optional<SignatureOutcome> outcome;
};

class FeedSignatureTest : public ::testing::TestWithParam<SignatureCase> {};

TEST_P(FeedSignatureTest, IsValidOnlyForTheRightKeyOverTheExactBytes) {
    const SignatureCase& c = GetParam();
    const SignatureVerdict verdict = verifyFeedSignature(asBytes(c.feed), c.signature, c.key);
    if (c.outcome) {
        EXPECT_EQ(verdict.outcome, *c.outcome) << toUtf8(verdict.reason);
    } else {
        EXPECT_FALSE(verdict.valid());
    }
    EXPECT_EQ(verdict.reason.empty(), verdict.valid()) << toUtf8(verdict.reason);
}

const std::string kSigned(test::kSignedFeed);
const ByteList kRightDer = fixtureBytes(test::kRightKey);
const ByteList kSignatureDer = fixtureBytes(test::kSignature);
const size_t kSignedLast = kSigned.size() - 1;

ByteList signatureWith(const std::function<void(ByteList&)>& edit) { return edited(test::kSignature, edit); }
ByteList keyWith(const std::function<void(ByteList&)>& edit) { return edited(test::kRightKey, edit); }

void PrintTo(const SignatureCase& c, std::ostream* out) { *out << c.label; }

INSTANTIATE_TEST_SUITE_P(
    Rows, FeedSignatureTest,
    ::testing::Values(
        SignatureCase{"RightKey", kSigned, kSignatureDer, kRightDer, O::Valid},
        SignatureCase{"RightKeyBothNumbersPadded", kSigned, fixtureBytes(test::kPaddedSignature), kRightDer, O::Valid},
        SignatureCase{"RightKeyShortS", kSigned, fixtureBytes(test::kShortSignature), kRightDer, O::Valid},
        SignatureCase{"WrongKey", kSigned, kSignatureDer, fixtureBytes(test::kWrongKey), O::Mismatch},
        SignatureCase{"FeedFirstByteChanged", changedAt(kSigned, 0), kSignatureDer, kRightDer, O::Mismatch},
        SignatureCase{"FeedSequenceChanged", changedAt(kSigned, kSigned.find("=7") + 1), kSignatureDer, kRightDer,
                      O::Mismatch},
        SignatureCase{"FeedLastByteChanged", changedAt(kSigned, kSignedLast), kSignatureDer, kRightDer, O::Mismatch},
        SignatureCase{"FeedWithAByteMore", kSigned + "\n", kSignatureDer, kRightDer, O::Mismatch},
        SignatureCase{"FeedEmpty", "", kSignatureDer, kRightDer, O::Mismatch},
        SignatureCase{"SignatureByteInRChanged", kSigned, signatureWith([](ByteList& b) { b[10] ^= 1; }), kRightDer,
                      O::Mismatch},
        SignatureCase{"SignatureLastByteChanged", kSigned, signatureWith([](ByteList& b) { b.back() ^= 0x80; }),
                      kRightDer, O::Mismatch},
        SignatureCase{"SignatureTagChanged", kSigned, signatureWith([](ByteList& b) { b[0] ^= 1; }), kRightDer,
                      O::BadSignature},
        SignatureCase{"SignatureTruncatedByOne", kSigned, signatureWith([](ByteList& b) { b.pop_back(); }), kRightDer,
                      O::BadSignature},
        SignatureCase{"SignatureTruncatedToHalf", kSigned, signatureWith([](ByteList& b) { b.resize(35); }), kRightDer,
                      O::BadSignature},
        SignatureCase{"SignatureEmpty", kSigned, {}, kRightDer, O::BadSignature},
        SignatureCase{"SignatureWithATrailingByte", kSigned, signatureWith([](ByteList& b) { b.push_back(0); }),
                      kRightDer, O::BadSignature},
        SignatureCase{"SignatureRawNotDer", kSigned, ByteList(64, 0x42), kRightDer, O::BadSignature},
        SignatureCase{"KeyJunk", kSigned, kSignatureDer, ByteList{'n', 'o', 't', ' ', 'k', 'e', 'y'}, O::BadKey},
        SignatureCase{"KeyEmpty", kSigned, kSignatureDer, {}, O::BadKey},
        SignatureCase{"KeyOnAnotherCurve", kSigned, kSignatureDer, fixtureBytes(test::kP384Key), O::BadKey},
        SignatureCase{"KeyWithATrailingByte", kSigned, kSignatureDer, keyWith([](ByteList& b) { b.push_back(0); }),
                      O::BadKey},
        SignatureCase{"KeyTruncated", kSigned, kSignatureDer, keyWith([](ByteList& b) { b.pop_back(); }), O::BadKey},
        SignatureCase{"KeyPointOffTheCurve", kSigned, kSignatureDer, keyWith([](ByteList& b) { b.back() ^= 1; }),
                      std::nullopt}),
    [](const auto& info) { return std::string(info.param.label); });

// ---- The strict DER readers, on hand-made encodings.

ByteList derHex(std::string_view text) {
    ByteList bytes;
    auto digit = [](char c) { return c <= '9' ? c - '0' : c - 'a' + 10; };
    for (size_t i = 0; i + 1 < text.size(); i += 2) {
        bytes.push_back(static_cast<uint8_t>(digit(text[i]) << 4 | digit(text[i + 1])));
    }
    return bytes;
}

const std::string k32 = "0102030405060708091011121314151617181920212223242526272829303132";

TEST(P256SignatureReader, TakesOnlyTheOneEncodingOfTwoPositiveNumbers) {
    struct Row {
        const char* label;
        std::string der;
        bool taken;
    } rows[] = {
        {"SmallestNumbers", "3006020101020101", true},
        {"FullWidthR", "3025" "0220" + k32 + "020101", true},
        {"PaddedHighBit", "3007" "020200ff" "020101", true},
        {"TrailingByteAfter", "3006020101020101" "00", false},
        {"TrailingByteInside", "3007020101020101" "00", false},
        {"OneNumber", "3003020101", false},
        {"ThreeNumbers", "3009020101020101020101", false},
        {"SetNotSequence", "3106020101020101", false},
        {"NonMinimalZeroByte", "3007" "02020001" "020101", false},
        {"Negative", "3006" "020181" "020101", false},
        {"Zero", "3006" "020100" "020101", false},
        {"EmptyInteger", "3005" "0200" "020101", false},
        {"WiderThanTheCurve", "3026" "0221" "01" + k32 + "020101", false},
        {"LongFormLengthForAShortOne", "308106020101020101", false},
        {"IndefiniteLength", "3080020101020101" "0000", false},
        {"LengthPastTheEnd", "3008020101020101", false},
        {"InnerLengthPastTheEnd", "3006020101020201", false},
        {"Empty", "", false},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(parseP256Signature(derHex(row.der)).has_value(), row.taken) << row.label;
    }
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
    // The point is the last 64 bytes: after the headers and the 0x04 marker.
    EXPECT_TRUE(std::equal(point->x.begin(), point->x.end(), right.end() - 64));
    EXPECT_TRUE(std::equal(point->y.begin(), point->y.end(), right.end() - 32));

    auto refused = [&](const char* label, const std::function<void(ByteList&)>& edit) {
        ByteList bytes = right;
        edit(bytes);
        EXPECT_FALSE(parseP256PublicKey(bytes)) << label;
    };
    // 0x30 0x59, the algorithm's 0x30 0x13 and 19 bytes, then 0x03 0x42,
    // the unused bits' count at 25, the point's marker at 26.
    refused("UnusedBits", [](ByteList& b) { b[25] = 1; });
    refused("CompressedMarker", [](ByteList& b) { b[26] = 0x02; });
    refused("AnotherCurve", [](ByteList& b) { b[22] = 0x08; }); // 1.2.840.10045.3.1.8
    refused("AnotherAlgorithm", [](ByteList& b) { b[12] = 0x02; }); // 1.2.840.10045.2.2
    refused("LongFormOuterLength", [](ByteList& b) { b.insert(b.begin() + 1, 0x81); });
    refused("CompressedPoint", [](ByteList& b) { // X alone, after the 0x02 marker
        b.resize(b.size() - 32);
        b[1] = 0x39;
        b[24] = 0x22;
        b[26] = 0x02;
    });
}

TEST(Base64, DecodesOnlyCanonicalText) {
    struct Row {
        std::u16string_view text;
        std::optional<std::string> bytes;
    } rows[] = {
        {u"", ""},
        {u"TWFu", "Man"},
        {u"TWE=", "Ma"},
        {u"TQ==", "M"},
        {u"+/+/", "\xfb\xff\xbf"},
        {u"TR==", std::nullopt}, // bits left over in the padding
        {u"TWF=", std::nullopt},
        {u"TWE", std::nullopt},
        {u"TW=u", std::nullopt},
        {u"T===", std::nullopt},
        {u"====", std::nullopt},
        {u"TQ===", std::nullopt},
        {u"TWFu\n", std::nullopt},
        {u" TWFu", std::nullopt},
        {u"TW\nFu", std::nullopt},
        {u"-_AA", std::nullopt}, // the URL alphabet is another text
    };
    for (const Row& row : rows) {
        std::optional<std::vector<uint8_t>> decoded = decodeBase64(row.text);
        ASSERT_EQ(decoded.has_value(), row.bytes.has_value()) << toUtf8(row.text);
        if (decoded) {
            EXPECT_EQ(std::string(decoded->begin(), decoded->end()), *row.bytes) << toUtf8(row.text);
        }
    }
}

} // namespace
} // namespace launcher
