// The runtime feed's text: the values the launcher would refuse, the feeds
// a re-run refuses to carry on, and what the launcher's reader reads back.

#include "FeedFile.h"

#include "base/Text.h"
#include "config/IniText.h"

#include <gtest/gtest.h>

namespace launcher::pack {
namespace {

const std::string kFeedSha(64, 'a');
const FeedEntryNames kFeedOptionNames{"--runtime-download", "--runtime-sha256", "--runtime-size", "--version"};

struct EntryRow {
    const char* name;
    FeedEntry entry;
    std::string words; // of the error; empty: accepted
};
void PrintTo(const EntryRow& row, std::ostream* out) { *out << row.name; }

class FeedEntryCheck : public testing::TestWithParam<EntryRow> {};

TEST_P(FeedEntryCheck, RefusesWhatTheLauncherWouldRefuse) {
    const EntryRow& row = GetParam();
    if (row.words.empty()) {
        EXPECT_NO_THROW(checkedFeedEntry(row.entry, kFeedOptionNames));
        return;
    }
    try {
        checkedFeedEntry(row.entry, kFeedOptionNames);
        FAIL() << "accepted";
    } catch (const PackError& e) {
        EXPECT_NE(std::string(e.what()).find(row.words), std::string::npos) << e.what();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Values, FeedEntryCheck,
    testing::Values(EntryRow{"Https", {"https://example.org/jre.zip", kFeedSha, "1", "21"}, ""},
                    EntryRow{"LoopbackHttp", {"http://127.0.0.1:8080/jre.zip", kFeedSha, "10", "21.0.5.1"}, ""},
                    EntryRow{"ClearText", {"http://example.org/jre.zip", kFeedSha, "10", "21"}, "--runtime-download: \"http://example.org/jre.zip\" is not an https address"},
                    EntryRow{"NotHttp", {"ftp://example.org/jre.zip", kFeedSha, "10", "21"}, "--runtime-download: \"ftp://example.org/jre.zip\" is not an http or https address"},
                    EntryRow{"UserName", {"https://me@example.org/jre.zip", kFeedSha, "10", "21"}, "--runtime-download:"},
                    EntryRow{"ShortSha", {"https://e.org/j.zip", "abc", "10", "21"}, "--runtime-sha256: \"abc\" is not 64"},
                    EntryRow{"ZeroSize", {"https://e.org/j.zip", kFeedSha, "0", "21"}, "--runtime-size: \"0\" is not a whole number of bytes greater than 0"},
                    EntryRow{"BuildNumber", {"https://e.org/j.zip", kFeedSha, "10", "21.0.5+11"}, "--version: \"21.0.5+11\" is not a version"},
                    EntryRow{"FiveParts", {"https://e.org/j.zip", kFeedSha, "10", "1.2.3.4.5"}, "--version:"},
                    EntryRow{"EmptyPart", {"https://e.org/j.zip", kFeedSha, "10", "21..5"}, "--version:"},
                    EntryRow{"HugePart", {"https://e.org/j.zip", kFeedSha, "10", "21.3000000000"}, "--version:"}),
    [](const testing::TestParamInfo<EntryRow>& info) { return std::string(info.param.name); });

const std::string kFeedEntryLines = "URL=https://e.org/j.zip\r\nSHA-256=" + kFeedSha + "\r\nSize=5\r\nVersion=21.0.5\r\n";

struct FeedRow {
    const char* name;
    std::string text;
    std::string words; // of the error
};
void PrintTo(const FeedRow& row, std::ostream* out) { *out << row.name; }

class RefusedFeed : public testing::TestWithParam<FeedRow> {};

TEST_P(RefusedFeed, SaysWhatIsWrong) {
    try {
        parseFeed(GetParam().text, "runtime-feed.ini");
        FAIL() << "accepted";
    } catch (const PackError& e) {
        EXPECT_NE(std::string(e.what()).find("runtime-feed.ini: " + GetParam().words), std::string::npos) << e.what();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Feeds, RefusedFeed,
    testing::Values(FeedRow{"NoSequence", "[Feed]\r\n[linux-x64]\r\n" + kFeedEntryLines, "[Feed] has no \"Sequence\""},
                    FeedRow{"Empty", "", "[Feed] has no \"Sequence\""},
                    FeedRow{"NegativeSequence", "[Feed]\r\nSequence=-1\r\n", "[Feed] \"Sequence\" is \"-1\", not a whole number"},
                    FeedRow{"SequenceTooLong", "[Feed]\r\nSequence=12345678901234567890\r\n",
                            "[Feed] \"Sequence\" is \"12345678901234567890\", not a whole number"},
                    FeedRow{"UnknownSection", "[Feed]\r\nSequence=1\r\n[windows-arm64]\r\n" + kFeedEntryLines,
                            "the section [windows-arm64] is not one of a runtime feed"},
                    FeedRow{"BadEntry", "[Feed]\r\nSequence=1\r\n[linux-x64]\r\nURL=https://e.org/j.zip\r\nSHA-256=x\r\n",
                            "[linux-x64] \"SHA-256\": \"x\" is not 64"},
                    FeedRow{"SectionWithoutEntry", "[Feed]\r\nSequence=1\r\n[windows-x86]\r\n",
                            "[windows-x86] \"URL\": \"\" is not an http or https address"}),
    [](const testing::TestParamInfo<FeedRow>& info) { return std::string(info.param.name); });

TEST(FeedText, IsCrlfIniThatReadsBackAsWritten) {
    Feed feed;
    feed.productCode = " {Product} ";
    feed.sequence = 7;
    feed.entries["linux-x64"] = {"https://e.org/l.tar.gz", kFeedSha, "5", "21.0.5"};
    feed.entries["windows-x64"] = {"https://e.org/w.zip?a=b", kFeedSha, "6", "21.0.4"};
    const std::string text = feedText(feed);
    EXPECT_EQ(text, "[Feed]\r\nProduct Code=\" {Product} \"\r\nSequence=7\r\n"
                    "[windows-x64]\r\nURL=https://e.org/w.zip?a=b\r\nSHA-256=" + kFeedSha + "\r\nSize=6\r\nVersion=21.0.4\r\n"
                    "[linux-x64]\r\nURL=https://e.org/l.tar.gz\r\nSHA-256=" + kFeedSha + "\r\nSize=5\r\nVersion=21.0.5\r\n");
    // The launcher's reader sees the product code with its blanks.
    EXPECT_EQ(readIniValue(decodeIniBytes(text), u"Feed", u"Product Code"), u" {Product} ");
    const Feed back = parseFeed(text, "f");
    EXPECT_EQ(back.productCode, feed.productCode);
    EXPECT_EQ(back.sequence, 7u);
    ASSERT_EQ(back.entries.size(), 2u);
    EXPECT_EQ(back.entries.at("windows-x64").url, "https://e.org/w.zip?a=b");
    EXPECT_EQ(back.entries.at("linux-x64").version, "21.0.5");
}

TEST(FeedText, ReadsSectionNamesAsTheLauncherDoes) {
    const Feed feed = parseFeed("[feed]\nsequence = 3\n[Linux-X64]\n" + kFeedEntryLines, "f");
    EXPECT_EQ(feed.sequence, 3u);
    EXPECT_EQ(feed.entries.count("linux-x64"), 1u);
}

TEST(FeedText, RefusesAProductCodeTheIniCannotHold) {
    Feed feed;
    feed.productCode = "two\r\nlines";
    EXPECT_THROW(feedText(feed), PackError);
}

} // namespace
} // namespace launcher::pack
