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

const std::u16string kSumA(64, u'a');
const std::u16string kSumB = u"0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdef";

FeedState fullState() {
    FeedState state;
    state.lastLook = 1718000000;
    state.highestSequence = 18446744073709551ull; // 17 digits
    state.badEntries = {kSumA, kSumB};
    return state;
}

TEST(FeedState, ReadsBackWhatWasWritten) {
    for (const FeedState& state : {FeedState{}, fullState(), FeedState{0, 0, {}}}) {
        EXPECT_EQ(parseFeedState(formatFeedState(state)), state) << formatFeedState(state);
    }
}

TEST(FeedState, GarbageReadsAsEmptyOrKeepsWhatItCan) {
    const FeedState empty;
    FeedState onlySequence;
    onlySequence.highestSequence = 12;
    FeedState onlyB;
    onlyB.badEntries = {kSumB};
    struct Row {
        const char* label;
        std::string bytes;
        FeedState state;
    } rows[] = {
        {"Empty", "", empty},
        {"Binary", std::string("\x00\xff\xfe\x01[\x00", 6), empty},
        {"Utf16ByteOrderMarkAlone", "\xff\xfe", empty},
        {"AnotherSection", "[Other]\nHighest Sequence=12\n", empty},
        {"NoSection", "Highest Sequence=12\n", empty},
        {"NegativeTime", "[Runtime Feed]\nLast Look=-5\nHighest Sequence=12\n", onlySequence},
        {"TimeWithText", "[Runtime Feed]\nLast Look=12 o'clock\nHighest Sequence=12\n", onlySequence},
        {"TimeTooLarge", "[Runtime Feed]\nLast Look=1234567890123456789\nHighest Sequence=12\n", onlySequence},
        {"SequenceNotANumber", "[Runtime Feed]\nHighest Sequence=twelve\n", empty},
        {"BadEntriesPartlyJunk",
         "[Runtime Feed]\nBad Entries=junk;" + toUtf8(kSumB) + ";;" + toUtf8(kSumA).substr(1) + "\n", onlyB},
        {"BadEntriesUpperCaseAndTwice",
         "[runtime feed]\r\nbad entries = " + toUtf8(kSumB) + ";" +
             "0123456789ABCDEF0123456789ABCDEF0123456789ABCDEF0123456789ABCDEF\r\n",
         onlyB},
        {"TooLarge", "[Runtime Feed]\nHighest Sequence=12\n;" + std::string(kFeedStateSizeLimit, 'x'), empty},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(parseFeedState(row.bytes), row.state) << row.label;
    }
}

TEST(FeedState, KeepsTheNewestBadMarks) {
    FeedState state;
    for (size_t i = 0; i < kMaxBadEntries + 3; ++i) {
        std::u16string sum = toDecimal(static_cast<long long>(i));
        markEntryBad(state, std::u16string(64 - sum.size(), u'0') + sum);
    }
    markEntryBad(state, u"not a checksum");
    ASSERT_EQ(state.badEntries.size(), kMaxBadEntries);
    EXPECT_EQ(state.badEntries.front(), std::u16string(63, u'0') + u"3");
    // A mark made again becomes the newest, once.
    markEntryBad(state, state.badEntries.front());
    EXPECT_EQ(state.badEntries.back(), std::u16string(63, u'0') + u"3");
    EXPECT_EQ(state.badEntries.size(), kMaxBadEntries);
    EXPECT_EQ(parseFeedState(formatFeedState(state)), state);
}

TEST(FeedState, LookIsDueByTheInterval) {
    FeedState looked;
    looked.lastLook = 1000000;
    struct Row {
        const char* label;
        FeedState state;
        int64_t now;
        uint32_t hours;
        bool due;
    } rows[] = {
        {"FirstLook", FeedState{}, 1000000, 24, true},
        {"JustLooked", looked, 1000000, 24, false},
        {"ASecondBeforeTheInterval", looked, 1000000 + 24 * 3600 - 1, 24, false},
        {"AtTheInterval", looked, 1000000 + 24 * 3600, 24, true},
        {"EveryStart", looked, 1000000, 0, true},
        {"ClockSetBack", looked, 999999, 24, true},
        {"LongestInterval", looked, 1000000 + int64_t{0xFFFFFFFF} * 3600 - 1, 0xFFFFFFFF, false},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(isFeedLookDue(row.state, row.now, row.hours), row.due) << row.label;
    }
}

TEST(FeedStateFile, SavesWholeAndReadsBack) {
    test::TempFolder folder;
    const std::u16string path = folder.text(kFeedStateFileName);
    EXPECT_EQ(readFeedState(path), FeedState{}); // no file yet
    ASSERT_TRUE(saveFeedState(path, fullState()));
    EXPECT_EQ(readFeedState(path), fullState());
    FeedState next = fullState();
    next.highestSequence = 19;
    next.badEntries.clear();
    ASSERT_TRUE(saveFeedState(path, next));
    EXPECT_EQ(readFeedState(path), next);
    // Nothing but the state file is left in the folder.
    size_t entries = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder.path())) ++entries;
    EXPECT_EQ(entries, 1u);
    test::writeBytes(folder.path() / "runtime-feed.state", std::string(kFeedStateSizeLimit + 1, '['));
    EXPECT_EQ(readFeedState(path), FeedState{});
    EXPECT_FALSE(saveFeedState(folder.text(u"missing-folder/state"), next));
}

} // namespace
} // namespace launcher
