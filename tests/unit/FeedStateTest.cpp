// The feed's state file: what is written reads back the same, anything a
// user, a cleaner or a crash leaves in it reads as empty state (or keeps
// what can still be read), and a save replaces the file whole.

#include "support/TestSupport.h"
#include "update/FeedState.h"
#include "update/FeedStateFile.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace launcher {
namespace {

const std::string kSumText = "0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdef";
const std::u16string kSum = fromAscii(kSumText);

FeedState stateOf(std::optional<int64_t> look, std::optional<uint64_t> sequence, TextList bad = {}) {
    return FeedState{look, sequence, std::move(bad)};
}

TEST(FeedState, ReadsBackWhatWasWritten) {
    for (const FeedState& state : {FeedState{}, stateOf(0, 0), stateOf(1718000000, 18446744073709551ull, {kSum})}) {
        EXPECT_EQ(parseFeedState(formatFeedState(state)), state) << formatFeedState(state);
    }
}

TEST(FeedState, GarbageReadsAsEmptyOrKeepsWhatItCan) {
    const std::pair<std::string, FeedState> rows[] = {
        {std::string("\x00\xff\xfe\x01[\x00", 6), {}},
        {"\xff\xfe", {}},
        {"[Other]\nHighest Sequence=12\n", {}},
        {"[Runtime Feed]\nHighest Sequence=twelve\n", {}},
        {"[Runtime Feed]\nLast Look=-5\nHighest Sequence=12\n", stateOf({}, 12)},
        {"[Runtime Feed]\nLast Look=1234567890123456789\nHighest Sequence=12\n", stateOf({}, 12)},
        {"[Runtime Feed]\nBad Entries=junk;" + kSumText + ";;" + kSumText.substr(1) + "\n", stateOf({}, {}, {kSum})},
        {"[runtime feed]\r\nbad entries = 0123456789ABCDEF0123456789ABCDEF0123456789ABCDEF0123456789ABCDEF;" +
             kSumText + "\r\n",
         stateOf({}, {}, {kSum})},
        {"[Runtime Feed]\nHighest Sequence=12\n;" + std::string(kFeedStateSizeLimit, 'x'), {}},
    };
    for (const auto& [bytes, state] : rows) EXPECT_EQ(parseFeedState(bytes), state) << bytes.substr(0, 80);
}

FeedState withEntries(std::u16string current, std::u16string currentVersion, std::u16string started = {},
                      std::u16string startedVersion = {}) {
    FeedState state;
    state.currentEntry = std::move(current);
    state.currentVersion = std::move(currentVersion);
    state.startedEntry = std::move(started);
    state.startedVersion = std::move(startedVersion);
    return state;
}

TEST(FeedState, EntriesReadBackWithTheirVersions) {
    const std::u16string other(64, u'b');
    FeedState full = withEntries(kSum, u"26.0.2+7", other, u"21.0.3");
    full.lastLook = 5;
    full.badEntries = {other};
    for (const FeedState& state : {full, withEntries(kSum, u"jdk-21.0.3_9"), withEntries({}, {}, other, u"21")}) {
        EXPECT_EQ(parseFeedState(formatFeedState(state)), state) << formatFeedState(state);
    }
}

// An entry is of use only with a version the floor can be checked against:
// one without the other reads as neither, and the other entry stays.
TEST(FeedState, EntryWithoutAReadableVersionCountsAsMissing) {
    const std::string sum = kSumText;
    const std::string started = "Started Entry=" + std::string(64, 'b') + "\nStarted Version=21.0.3\n";
    const FeedState onlyStarted = withEntries({}, {}, std::u16string(64, u'b'), u"21.0.3");
    const std::pair<std::string, FeedState> rows[] = {
        {"Current Entry=" + sum + "\n", onlyStarted},
        {"Current Version=26.0.2\n", onlyStarted},
        {"Current Entry=" + sum + "\nCurrent Version=26=1\n", onlyStarted},
        {"Current Entry=" + sum + "\nCurrent Version=26 0 2\n", onlyStarted},
        {"Current Entry=" + sum + "\nCurrent Version=26.0.2;x\n", onlyStarted},
        {"Current Entry=" + sum + "\nCurrent Version=" + std::string(65, '2') + "\n", onlyStarted},
        {"Current Entry=" + sum.substr(1) + "\nCurrent Version=26.0.2\n", onlyStarted},
        {"Current Entry=" + sum + "0\nCurrent Version=26.0.2\n", onlyStarted},
        {"Current Entry=0123456789ABCDEF0123456789ABCDEF0123456789ABCDEF0123456789ABCDEF\nCurrent Version= 26.0.2 \n",
         withEntries(kSum, u"26.0.2", std::u16string(64, u'b'), u"21.0.3")},
    };
    for (const auto& [lines, state] : rows) {
        EXPECT_EQ(parseFeedState("[Runtime Feed]\n" + lines + started), state) << lines;
    }
}

// A version that could break the file's lines is not written, nor its
// entry: no line of it reaches the file.
TEST(FeedState, VersionThatBreaksLinesIsNotWritten) {
    for (const std::u16string& version : TextList{u"26\nBad Entries=" + kSum, u"26=1", u"26 0", u""}) {
        const std::string text = formatFeedState(withEntries(kSum, version, kSum, version));
        EXPECT_EQ(text, "[Runtime Feed]\n") << text;
    }
}

TEST(FeedState, KeepsTheNewestBadMarks) {
    FeedState state;
    for (size_t i = 0; i < kMaxBadEntries + 3; ++i) {
        const std::u16string number = toDecimal(static_cast<long long>(i));
        markEntryBad(state, std::u16string(64 - number.size(), u'0') + number);
    }
    markEntryBad(state, u"not a checksum");
    markEntryBad(state, state.badEntries.front()); // marked again: the newest, once
    ASSERT_EQ(state.badEntries.size(), kMaxBadEntries);
    EXPECT_EQ(state.badEntries.front(), std::u16string(63, u'0') + u"4");
    EXPECT_EQ(state.badEntries.back(), std::u16string(63, u'0') + u"3");
}

TEST(FeedState, LookIsDueByTheInterval) {
    const FeedState looked = stateOf(1000000, {});
    EXPECT_TRUE(isFeedLookDue(FeedState{}, 1000000, 24));
    EXPECT_FALSE(isFeedLookDue(looked, 1000000 + 24 * 3600 - 1, 24));
    EXPECT_TRUE(isFeedLookDue(looked, 1000000 + 24 * 3600, 24));
    EXPECT_TRUE(isFeedLookDue(looked, 1000000, 0));
    EXPECT_TRUE(isFeedLookDue(looked, 999999, 24)); // the clock was set back
    EXPECT_FALSE(isFeedLookDue(looked, 1000000 + int64_t{0xFFFFFFFF} * 3600 - 1, 0xFFFFFFFF));
}

TEST(FeedStateFile, SavesWholeAndReadsBack) {
    test::TempFolder folder;
    const std::u16string path = folder.text(kFeedStateFileName);
    EXPECT_EQ(readFeedState(path), FeedState{});
    ASSERT_TRUE(saveFeedState(path, stateOf(5, 6, {kSum})));
    ASSERT_TRUE(saveFeedState(path, stateOf(7, 8)));
    EXPECT_EQ(readFeedState(path), stateOf(7, 8));
    // Nothing but the state file is left in the folder.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 1);
    test::writeBytes(folder.path() / "runtime-feed.state", std::string(kFeedStateSizeLimit + 1, '['));
    EXPECT_EQ(readFeedState(path), FeedState{});
    EXPECT_FALSE(saveFeedState(folder.text(u"missing-folder/state"), FeedState{}));
}

} // namespace
} // namespace launcher
