// What the launcher makes of a runtime feed: each check refuses what it
// should, in its order, with one trace line naming it; and the entry for
// the launcher's own platform when every check passes.

#include "FeedFixtures.h"
#include "base/Text.h"
#include "update/FeedVerdict.h"

#include <gtest/gtest.h>

#include <functional>

namespace launcher {
namespace {

using C = FeedCheck;
using Change = std::function<void(FeedExpectations&)>;

const std::vector<uint8_t> kFeedKey = test::fixtureBytes(test::kRightKey);
const std::string kFeedText(test::kSignedFeed);
const std::u16string kLinuxSum = u"0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdef";
const std::u16string kBad[] = {kLinuxSum};

FeedExpectations expectations(const Change& change = nullptr) {
    FeedExpectations e;
    e.publicKey = kFeedKey;
    e.productCode = std::u16string(test::kSignedFeedProduct);
    e.highestSequence = 6;
    e.platform = std::u16string(kFeedPlatformLinuxX64);
    e.floor = makeVersion(21, 0, 1, 0);
    if (change) change(e);
    return e;
}

std::string feedWith(std::string_view from, std::string_view to) {
    std::string text = kFeedText;
    const size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

Change product(std::u16string code) { return [code](FeedExpectations& e) { e.productCode = code; }; }
Change highest(uint64_t sequence) { return [sequence](FeedExpectations& e) { e.highestSequence = sequence; }; }
Change platform(std::u16string_view name) { return [name](FeedExpectations& e) { e.platform = name; }; }
Change pinned(VersionNumber version) { return [version](FeedExpectations& e) { e.floor = version; }; }

struct CheckCase {
    const char* label;
    std::string feed;
    Change change;
    FeedCheck failed;
    const char16_t* words; // a part of the trace line
};
void PrintTo(const CheckCase& c, std::ostream* out) { *out << c.label; }

class FeedChecksTest : public ::testing::TestWithParam<CheckCase> {};

TEST_P(FeedChecksTest, RefuseInOrderNamingTheCheck) {
    const CheckCase& c = GetParam();
    const FeedVerdict verdict = checkFeedText(c.feed, expectations(c.change));
    EXPECT_EQ(verdict.failed, c.failed) << toUtf8(verdict.reason);
    const std::u16string refused = u"runtime feed refused (" + std::u16string(feedCheckName(c.failed)) + u"): ";
    const std::u16string lead = c.failed == C::None ? u"runtime feed accepted: " : refused;
    EXPECT_TRUE(verdict.reason.starts_with(lead)) << toUtf8(verdict.reason);
    EXPECT_NE(verdict.reason.find(c.words), std::u16string::npos) << toUtf8(verdict.reason);
}

const char16_t kOther[] = u"{99999999-2222-3333-4444-555555555555}";

INSTANTIATE_TEST_SUITE_P(
    Rows, FeedChecksTest,
    ::testing::Values(
        CheckCase{"Accepted", kFeedText, nullptr, C::None, u"sequence 7, linux-x64 runtime 21.0.3 from https://"},
        CheckCase{"AtTheFirstLook", kFeedText, [](auto& e) { e.highestSequence.reset(); }, C::None, u"sequence 7"},
        CheckCase{"ProductCodeInAnotherCase", feedWith("11111111-", "ABCDEF00-"),
                  product(u"{abcdef00-2222-3333-4444-555555555555}"), C::None, u"accepted"},
        CheckCase{"NoProductCodeFitsAny", feedWith("Product Code=", ";"), product(kOther), C::None, u"accepted"},
        CheckCase{"AnotherProductCode", kFeedText, product(kOther), C::ProductCode, u"this product's is \"{9999"},
        CheckCase{"AProductWithoutCode", kFeedText, product(u""), C::ProductCode, u"for product code \"{1111"},
        CheckCase{"SequenceEqual", kFeedText, highest(7), C::Sequence, u"7 is not above 7, the highest accepted"},
        CheckCase{"SequenceLower", kFeedText, highest(8), C::Sequence, u"7 is not above 8"},
        CheckCase{"SequenceNotANumber", feedWith("=7", "=-7"), nullptr, C::Sequence, u"\"-7\" is not a whole number"},
        CheckCase{"SequenceOf19Digits", feedWith("=7", "=9999999999999999999"), nullptr, C::Sequence, u"whole"},
        CheckCase{"SequenceOf18Digits", feedWith("=7", "=999999999999999999"), nullptr, C::None,
                  u"sequence 999999999999999999,"},
        CheckCase{"NoEntryForThisPlatform", kFeedText, platform(kFeedPlatformWindowsX86), C::Platform,
                  u"no section [windows-x86]"},
        CheckCase{"AnotherPlatformsEntry", kFeedText, platform(kFeedPlatformWindowsX64), C::None,
                  u"windows-x64 runtime 21.0.3 from https://downloads.example.com/runtime-21.0.3-windows-x64.zip"},
        CheckCase{"HttpToAnotherHost", feedWith("https://", "http://"), nullptr, C::Entry,
                  u"plain http to a host that is not a loopback address"},
        CheckCase{"HttpToLoopback", feedWith("https://downloads.example.com", "http://127.0.0.1:80"), nullptr, C::None,
                  u"from http://127.0.0.1:80/runtime"},
        CheckCase{"NotAWebAddress", feedWith("https://", "ftp://"), nullptr, C::Entry, u"not an http or https address"},
        CheckCase{"ChecksumShort", feedWith("cdef\nSize", "cde\nSize"), nullptr, C::Entry, u"\"SHA-256\""},
        CheckCase{"SizeZero", feedWith("Size=48213120", "Size=0"), nullptr, C::Entry, u"\"Size\" \"0\""},
        CheckCase{"NoVersion", feedWith("Version=21.0.3\n\n", "Version=latest\n\n"), nullptr, C::Entry,
                  u"\"Version\" \"latest\" is not a version"},
        CheckCase{"BelowTheMinimum", kFeedText, [](auto& e) { e.minimumVersion = makeVersion(22, 0, 0, 0); },
                  C::Version, u"version 21.0.3 is below \"Minimum Version\" 22"},
        CheckCase{"AboveTheMaximum", kFeedText, [](auto& e) { e.maximumVersion = makeVersion(21, 0, 2, 65535); },
                  C::Version, u"is above \"Maximum Version\" 21.0.2"},
        CheckCase{"BelowThePinnedVersion", kFeedText, pinned(makeVersion(21, 0, 4, 0)), C::Floor,
                  u"version 21.0.3 is older than the pinned runtime's 21.0.4"},
        CheckCase{"AtThePinnedVersion", kFeedText, pinned(makeVersion(21, 0, 3, 0)), C::None, u"accepted"},
        CheckCase{"MarkedBad", kFeedText, [](auto& e) { e.badEntries = kBad; }, C::MarkedBad,
                  u"SHA-256 0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdef was marked bad"}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(FeedChecks, AnAcceptedFeedGivesItsPlatformsEntry) {
    const FeedVerdict verdict = checkFeed(kFeedText, test::fixtureText(test::kSignature), expectations());
    ASSERT_TRUE(verdict.accepted()) << toUtf8(verdict.reason);
    EXPECT_EQ(verdict.sequence, 7u);
    EXPECT_EQ(verdict.entry.url, u"https://downloads.example.com/runtime-21.0.3-linux-x64.tar.gz");
    EXPECT_EQ(verdict.entry.sha256, kLinuxSum);
    EXPECT_EQ(verdict.entry.size, 48213120u);
    EXPECT_EQ(compareVersions(verdict.entry.version, makeVersion(21, 0, 3, 0)), 0);
}

// Size and signature come first, and the rest in its order: an unsigned
// feed's words are never read.
TEST(FeedChecks, TheFirstFailingCheckIsNamed) {
    const std::string signature = test::fixtureText(test::kSignature);
    const std::vector<uint8_t> wrongKey = test::fixtureBytes(test::kWrongKey);
    const struct {
        std::string feed;
        std::string signature;
        Change change;
        FeedCheck failed;
    } rows[] = {
        {kFeedText + std::string(kFeedSizeLimit, ';'), signature, nullptr, C::Size},
        {kFeedText, signature + std::string(kFeedSizeLimit, '\0'), nullptr, C::Size},
        {kFeedText + std::string(kFeedSizeLimit - kFeedText.size(), ';'), signature, nullptr, C::Signature},
        {kFeedText, signature, [&](auto& e) { e.publicKey = wrongKey; }, C::Signature},
        {feedWith("=7", "=9"), signature, product(kOther), C::Signature},
        {kFeedText, signature, [](auto& e) { e.productCode = u"Other", e.highestSequence = 9; }, C::ProductCode},
        {kFeedText, signature, [](auto& e) { e.highestSequence = 7, e.platform = kFeedPlatformWindowsX86; },
         C::Sequence},
    };
    for (const auto& row : rows) {
        const FeedVerdict verdict = checkFeed(row.feed, row.signature, expectations(row.change));
        EXPECT_EQ(verdict.failed, row.failed) << toUtf8(verdict.reason);
    }
}

} // namespace
} // namespace launcher
