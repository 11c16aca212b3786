// Which runtime a start takes in the pinned one's place: the current entry
// when nothing refuses it, else the entry that started a program before,
// else the pinned runtime; and the trace line says why.

#include "base/Text.h"
#include "update/FeedChoice.h"

#include <gtest/gtest.h>

#include <set>

namespace launcher {
namespace {

const std::u16string kCurrent(64, u'a');
const std::u16string kStarted(64, u'b');

VersionNumber v(std::u16string_view text) { return parseVersion(text, kVersionFillLow).version; }

enum class Taken { Pin, Current, Started };

struct Row {
    const char* name;
    std::u16string currentVersion;
    std::u16string started;        // empty: no started entry; else kStarted or kCurrent
    std::u16string startedVersion;
    std::u16string pin;            // the pinned runtime's version; empty: not installed
    std::set<std::u16string> bad;
    std::u16string failed;
    std::u16string minimum = u"0";
    std::u16string maximum = u"65535.65535.65535.65535";
    std::set<std::u16string> missing; // entries whose folder holds no runtime
    Taken taken;
    bool proven;
    std::u16string why; // a part of the trace line
};

TEST(FeedChoice, TakesCurrentElseStartedElsePin) {
    const Row rows[] = {
        {"first start on current", u"21.0.4", {}, {}, u"21.0.3", {}, {}, u"0", u"65535", {}, Taken::Current, false,
         u"entry aaaaaaaaaaaaaaaa (21.0.4) is used in the pinned runtime's place: the newest checked runtime, starting"},
        {"current proven", u"21.0.4", kCurrent, u"21.0.4", u"21.0.3", {}, {}, u"0", u"65535", {}, Taken::Current, true,
         u"the newest checked runtime"},
        {"equal to the pin", u"21.0.3", {}, {}, u"21.0.3", {}, {}, u"0", u"65535", {}, Taken::Current, false, u"used"},
        {"build number above the pin", u"26.0.2+7", {}, {}, u"26.0.2", {}, {}, u"0", u"65535", {}, Taken::Current, false,
         u"(26.0.2+7) is used"},
        {"newer feature release", u"26.0.2+7", {}, {}, u"21.0.3", {}, {}, u"0", u"65535", {}, Taken::Current, false, u"used"},
        {"pin not installed", u"21.0.4", kStarted, u"21.0.3", {}, {}, {}, u"0", u"65535", {}, Taken::Pin, false,
         u"the pinned runtime is not installed, so the floor is unknown"},
        {"older than the pin", u"21.0.2", {}, {}, u"21.0.3", {}, {}, u"0", u"65535", {}, Taken::Pin, false,
         u"older than the pinned runtime; the pinned runtime is used"},
        {"build number below the pin", u"26.0.2+7", {}, {}, u"26.0.3", {}, {}, u"0", u"65535", {}, Taken::Pin, false,
         u"older than the pinned"},
        {"unreadable version", u"ea", {}, {}, u"21.0.3", {}, {}, u"0", u"65535", {}, Taken::Pin, false,
         u"version cannot be read"},
        {"below minimum", u"21.0.4", {}, {}, u"21.0.3", {}, {}, u"22", u"65535", {}, Taken::Pin, false, u"outside"},
        {"above maximum", u"26.0.2", {}, {}, u"21.0.3", {}, {}, u"0", u"25.65535", {}, Taken::Pin, false, u"outside"},
        {"not installed", u"21.0.4", {}, {}, u"21.0.3", {}, {}, u"0", u"65535", {kCurrent}, Taken::Pin, false,
         u"folder holds no runtime"},
        {"current bad", u"21.0.4", {}, {}, u"21.0.3", {kCurrent}, {}, u"0", u"65535", {}, Taken::Pin, false, u"marked bad"},
        {"current failed just now", u"21.0.4", {}, {}, u"21.0.3", {}, kCurrent, u"0", u"65535", {}, Taken::Pin, false,
         u"in the start that started this one"},
        {"proven current failed just now", u"21.0.4", kCurrent, u"21.0.4", u"21.0.3", {}, kCurrent, u"0", u"65535", {},
         Taken::Pin, false, u"failed to start"},
        {"current refused: started", u"21.0.5", kStarted, u"21.0.4", u"21.0.3", {kCurrent}, {}, u"0", u"65535", {},
         Taken::Started, true, u"entry bbbbbbbbbbbbbbbb (21.0.4), which started a program before, is used in its place"},
        {"current failed: started", u"21.0.5", kStarted, u"21.0.4", u"21.0.3", {}, kCurrent, u"0", u"65535", {},
         Taken::Started, true, u"which started a program before"},
        {"started bad too", u"21.0.5", kStarted, u"21.0.4", u"21.0.3", {kCurrent, kStarted}, {}, u"0", u"65535", {},
         Taken::Pin, false, u"; nor entry bbbbbbbbbbbbbbbb (21.0.4): it is marked bad"},
        {"started failed just now", u"21.0.5", kStarted, u"21.0.4", u"21.0.3", {kCurrent}, kStarted, u"0", u"65535", {},
         Taken::Pin, false, u"nor entry"},
        {"started older than the pin", u"21.0.5", kStarted, u"21.0.2", u"21.0.3", {kCurrent}, {}, u"0", u"65535", {},
         Taken::Pin, false, u"nor entry bbbbbbbbbbbbbbbb (21.0.2): it is older"},
        {"started not installed", u"21.0.5", kStarted, u"21.0.4", u"21.0.3", {}, {}, u"0", u"65535", {kCurrent, kStarted},
         Taken::Pin, false, u"nor entry"},
        {"started above maximum", u"21.0.5", kStarted, u"22", u"21.0.3", {kCurrent}, {}, u"0", u"21.65535", {}, Taken::Pin,
         false, u"nor entry bbbbbbbbbbbbbbbb (22): it is outside"},
    };
    for (const Row& row : rows) {
        FeedChoiceFacts facts;
        facts.state.currentEntry = kCurrent;
        facts.state.currentVersion = row.currentVersion;
        facts.state.startedEntry = row.started;
        facts.state.startedVersion = row.startedVersion;
        facts.state.badEntries.assign(row.bad.begin(), row.bad.end());
        if (!row.pin.empty()) facts.pinnedVersion = v(row.pin);
        facts.failedEntry = row.failed;
        facts.minimumVersion = parseVersion(row.minimum, kVersionFillLow).version;
        facts.maximumVersion = parseVersion(row.maximum, kVersionFillHigh).version;
        const FeedChoice choice =
            chooseFeedEntry(facts, [&](const std::u16string& entry) { return !row.missing.contains(entry); });
        const std::u16string expected = row.taken == Taken::Current ? kCurrent : row.taken == Taken::Started ? kStarted : u"";
        EXPECT_EQ(choice.entry, expected) << row.name;
        EXPECT_EQ(choice.proven, row.proven) << row.name;
        EXPECT_NE(choice.why.find(row.why), std::u16string::npos) << row.name << ": " << toUtf8(choice.why);
    }
}

TEST(FeedChoice, NoCurrentEntryTakesThePinWithoutLookingAtFolders) {
    FeedChoiceFacts facts;
    facts.state.startedEntry = kStarted;
    facts.state.startedVersion = u"21.0.4";
    facts.pinnedVersion = v(u"21.0.3");
    bool looked = false;
    const FeedChoice choice = chooseFeedEntry(facts, [&](const std::u16string&) { return looked = true; });
    EXPECT_EQ(choice.entry, u"");
    EXPECT_FALSE(looked);
    EXPECT_EQ(choice.why, u"no entry of the feed is installed yet");
}

} // namespace
} // namespace launcher
