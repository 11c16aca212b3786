// What the launcher makes of a runtime feed: each check refuses what it
// should, in its order, with one trace line naming it; and the entry for
// the launcher's own platform when every check passes.

#include "FeedFixtures.h"
#include "update/FeedVerdict.h"

#include <gtest/gtest.h>

#include <functional>

namespace launcher {
namespace {

using C = FeedCheck;

const std::vector<uint8_t> kVerdictKey = test::fixtureBytes(test::kRightKey);
const std::string kFeedText(test::kSignedFeed);
const std::u16string kLinuxSum = u"0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdef";
const std::u16string kBad[] = {kLinuxSum};

FeedExpectations expectations() {
    FeedExpectations e;
    e.publicKey = kVerdictKey;
    e.productCode = std::u16string(test::kSignedFeedProduct);
    e.highestSequence = 6;
    e.platform = std::u16string(kFeedPlatformLinuxX64);
    e.floor = makeVersion(21, 0, 1, 0);
    return e;
}

std::string replaced(std::string text, std::string_view from, std::string_view to) {
    const size_t at = text.find(from);
    if (at == std::string::npos) {
        ADD_FAILURE() << "no " << from << " in the feed";
    } else {
        text.replace(at, from.size(), to);
    }
    return text;
}

struct CheckCase {
    const char* label;
    std::string feed;
    std::function<void(FeedExpectations&)> expect;
    FeedCheck failed;
    const char16_t* words; // a part of the trace line
};

void PrintTo(const CheckCase& c, std::ostream* out) { *out << c.label; }

class FeedChecksTest : public ::testing::TestWithParam<CheckCase> {};

TEST_P(FeedChecksTest, RefuseInOrderNamingTheCheck) {
    const CheckCase& c = GetParam();
    FeedExpectations e = expectations();
    if (c.expect) c.expect(e);
    const FeedVerdict verdict = checkFeedText(c.feed, e);
    EXPECT_EQ(verdict.failed, c.failed) << toUtf8(verdict.reason);
    const std::u16string lead = c.failed == C::None
                                    ? u"runtime feed accepted: "
                                    : u"runtime feed refused (" + std::u16string(feedCheckName(c.failed)) + u"): ";
    EXPECT_TRUE(verdict.reason.starts_with(lead)) << toUtf8(verdict.reason);
    EXPECT_NE(verdict.reason.find(c.words), std::u16string::npos) << toUtf8(verdict.reason);
    EXPECT_EQ(verdict.reason.find_first_of(u"\r\n"), std::u16string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, FeedChecksTest,
    ::testing::Values(
        CheckCase{"Accepted", kFeedText, nullptr, C::None, u"sequence 7, linux-x64 runtime 21.0.3"},
        CheckCase{"AcceptedAtTheFirstLook", kFeedText, [](auto& e) { e.highestSequence.reset(); }, C::None,
                  u"sequence 7"},
        CheckCase{"OtherPlatformsEntry", kFeedText, [](auto& e) { e.platform = kFeedPlatformWindowsX64; }, C::None,
                  u"windows-x64 runtime 21.0.3 from https://downloads.example.com/runtime-21.0.3-windows-x64.zip"},
        CheckCase{"ProductCodeInAnotherCase", replaced(kFeedText, "11111111-2222", "ABCDEF00-2222"),
                  [](auto& e) { e.productCode = u"{abcdef00-2222-3333-4444-555555555555}"; }, C::None, u"accepted"},
        CheckCase{"NoProductCodeFitsAnyProduct", replaced(kFeedText, "Product Code=", "; "),
                  [](auto& e) { e.productCode = u"{99999999-2222-3333-4444-555555555555}"; }, C::None, u"accepted"},
        CheckCase{"EmptyProductCodeFitsAnyProduct", replaced(kFeedText, "{11111111-2222-3333-4444-555555555555}", ""),
                  [](auto& e) { e.productCode = u"Other"; }, C::None, u"accepted"},
        CheckCase{"AnotherProductCode", kFeedText,
                  [](auto& e) { e.productCode = u"{99999999-2222-3333-4444-555555555555}"; },
                  C::ProductCode, u"this product's is \"{99999999-"},
        CheckCase{"AProductWithoutCode", kFeedText, [](auto& e) { e.productCode.clear(); }, C::ProductCode,
                  u"for product code \"{11111111-"},
        CheckCase{"ProductCodeBeforeSequence", kFeedText,
                  [](auto& e) {
                      e.productCode = u"Other";
                      e.highestSequence = 9;
                  },
                  C::ProductCode, u"\"Other\""},
        CheckCase{"SequenceEqual", kFeedText, [](auto& e) { e.highestSequence = 7; }, C::Sequence,
                  u"sequence 7 is not above 7, the highest accepted before"},
        CheckCase{"SequenceLower", kFeedText, [](auto& e) { e.highestSequence = 8; }, C::Sequence, u"7 is not above 8"},
        CheckCase{"SequenceMissing", replaced(kFeedText, "Sequence=7", ""), nullptr, C::Sequence,
                  u"\"\" is not a whole number"},
        CheckCase{"SequenceNegative", replaced(kFeedText, "Sequence=7", "Sequence=-7"), nullptr, C::Sequence,
                  u"\"-7\""},
        CheckCase{"SequenceWithText", replaced(kFeedText, "Sequence=7", "Sequence=7a"), nullptr, C::Sequence,
                  u"\"7a\""},
        CheckCase{"SequenceTooLong", replaced(kFeedText, "Sequence=7", "Sequence=18446744073709551616"), nullptr,
                  C::Sequence,
                  u"not a whole number"},
        CheckCase{"SequenceBeforePlatform", kFeedText,
                  [](auto& e) {
                      e.highestSequence = 7;
                      e.platform = kFeedPlatformWindowsX86;
                  },
                  C::Sequence, u"not above"},
        CheckCase{"NoEntryForThisPlatform", kFeedText, [](auto& e) { e.platform = kFeedPlatformWindowsX86; },
                  C::Platform,
                  u"no section [windows-x86]"},
        CheckCase{"PlatformSectionInAnotherCase", replaced(kFeedText, "[linux-x64]", "[Linux-X64]"), nullptr, C::None,
                  u"accepted"},
        CheckCase{"PlatformSectionEmpty", replaced(kFeedText, "[linux-x64]", "[linux-x64]\n[elsewhere]"), nullptr,
                  C::Entry,
                  u"[linux-x64] has no \"URL\""},
        CheckCase{"HttpToAnotherHost", replaced(kFeedText, "https://downloads", "http://downloads"), nullptr, C::Entry,
                  u"plain http to a host that is not a loopback address"},
        CheckCase{"HttpToLoopback", replaced(kFeedText, "https://downloads.example.com", "http://127.0.0.1:8080"),
                  nullptr,
                  C::None, u"from http://127.0.0.1:8080/runtime-21.0.3-linux-x64.tar.gz"},
        CheckCase{"NotAWebAddress", replaced(kFeedText, "https://downloads", "ftp://downloads"), nullptr, C::Entry,
                  u"is not an http or https address"},
        CheckCase{"ChecksumShort", replaced(kFeedText, "0123456789abcdef\nSize", "0123456789abcde\nSize"), nullptr,
                  C::Entry,
                  u"\"SHA-256\""},
        CheckCase{"ChecksumInUpperCaseIsTaken", replaced(kFeedText, "SHA-256=0123456789abcdef",
                  "SHA-256=0123456789ABCDEF"),
                  nullptr, C::None, u"SHA-256 0123456789abcdef0123"},
        CheckCase{"SizeZero", replaced(kFeedText, "Size=48213120", "Size=0"), nullptr, C::Entry, u"\"Size\" \"0\""},
        CheckCase{"SizeMissing", replaced(kFeedText, "Size=48213120", ""), nullptr, C::Entry, u"\"Size\" \"\""},
        CheckCase{"VersionNotAVersion", replaced(kFeedText, "Version=21.0.3\n\n", "Version=latest\n\n"), nullptr,
                  C::Entry,
                  u"\"Version\" \"latest\" is not a version"},
        CheckCase{"VersionBelowTheMinimum", kFeedText, [](auto& e) { e.minimumVersion = makeVersion(22, 0, 0, 0); },
                  C::Version, u"version 21.0.3 is below \"Minimum Version\" 22"},
        CheckCase{"VersionAboveTheMaximum", kFeedText,
                  [](auto& e) { e.maximumVersion = makeVersion(21, 0, 2, kVersionFillHigh); }, C::Version,
                  u"is above \"Maximum Version\" 21.0.2"},
        CheckCase{"VersionAtTheBounds", kFeedText,
                  [](auto& e) {
                      e.minimumVersion = makeVersion(21, 0, 3, 0);
                      e.maximumVersion = makeVersion(21, 0, 3, kVersionFillHigh);
                  },
                  C::None, u"accepted"},
        CheckCase{"BelowThePinnedVersion", kFeedText, [](auto& e) { e.floor = makeVersion(21, 0, 4, 0); }, C::Floor,
                  u"version 21.0.3 is older than the pinned runtime's 21.0.4"},
        CheckCase{"AtThePinnedVersion", kFeedText, [](auto& e) { e.floor = makeVersion(21, 0, 3, 0); }, C::None,
                  u"accepted"},
        CheckCase{"NoPinnedVersionKnown", kFeedText, [](auto& e) { e.floor.reset(); }, C::None, u"accepted"},
        CheckCase{"MarkedBad", kFeedText, [](auto& e) { e.badEntries = kBad; }, C::MarkedBad,
                  u"SHA-256 0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdef was marked bad"},
        CheckCase{"OtherEntriesMarkedBad", kFeedText,
                  [](auto& e) {
                      e.badEntries = kBad;
                      e.platform = kFeedPlatformWindowsX64;
                  },
                  C::None, u"accepted"}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(FeedChecks, AnAcceptedFeedGivesItsPlatformsEntry) {
    const FeedVerdict verdict = checkFeed(kFeedText, test::fixtureText(test::kSignature), expectations());
    ASSERT_TRUE(verdict.accepted()) << toUtf8(verdict.reason);
    EXPECT_EQ(verdict.sequence, 7u);
    EXPECT_EQ(verdict.entry.url, u"https://downloads.example.com/runtime-21.0.3-linux-x64.tar.gz");
    EXPECT_EQ(verdict.entry.sha256, kLinuxSum);
    EXPECT_EQ(verdict.entry.size, 48213120u);
    EXPECT_EQ(compareVersions(verdict.entry.version, makeVersion(21, 0, 3, 0)), 0);
    EXPECT_EQ(verdict.entry.versionText, u"21.0.3");
}

// The size and the signature come before anything the feed says: an
// unsigned feed's words are never read.
TEST(FeedChecks, SizeAndSignatureComeFirst) {
    const std::string signature = test::fixtureText(test::kSignature);
    FeedExpectations another = expectations();
    another.productCode = u"Other";
    struct Row {
        const char* label;
        std::string feed;
        std::string signature;
        FeedCheck failed;
    } rows[] = {
        {"FeedOverTheLimit", kFeedText + std::string(kFeedSizeLimit, ';'), signature, C::Size},
        {"SignatureOverTheLimit", kFeedText, signature + std::string(kFeedSizeLimit, '\0'), C::Size},
        {"FeedAtTheLimitIsRead", kFeedText + std::string(kFeedSizeLimit - kFeedText.size(), ';'), signature,
         C::Signature},
        {"ChangedFeedForAnotherProduct", replaced(kFeedText, "Sequence=7", "Sequence=9"), signature, C::Signature},
        {"EmptySignature", kFeedText, "", C::Signature},
        {"RightSignatureThenProductCode", kFeedText, signature, C::ProductCode},
    };
    for (const Row& row : rows) {
        const FeedVerdict verdict = checkFeed(row.feed, row.signature, another);
        EXPECT_EQ(verdict.failed, row.failed) << row.label << ": " << toUtf8(verdict.reason);
    }
    FeedExpectations wrongKey = expectations();
    const std::vector<uint8_t> wrong = test::fixtureBytes(test::kWrongKey);
    wrongKey.publicKey = wrong;
    const FeedVerdict verdict = checkFeed(kFeedText, signature, wrongKey);
    EXPECT_EQ(verdict.failed, C::Signature);
    EXPECT_EQ(verdict.reason,
              u"runtime feed refused (signature): the signature does not match the feed and the configured key");
}

} // namespace
} // namespace launcher
