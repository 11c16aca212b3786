// The x64 launcher and its ARM64 sibling: who searches, who hands over,
// and that no launch goes back and forth.

#include "base/Platform.h"
#include "base/Text.h"
#include "base/VariableTable.h"
#include "launcher/Arm64HandOver.h"

#include <gtest/gtest.h>

namespace launcher {
namespace {

constexpr LibraryWidth kX64 = LibraryWidth::X64, kArm = LibraryWidth::Arm64, kX86 = LibraryWidth::X86;
constexpr HandOverMark kNone = HandOverMark::None, kFrom = HandOverMark::FromX64, kBack = HandOverMark::Returned;
constexpr RuntimeSearchState kNotYet = RuntimeSearchState::NotYet, kFound = RuntimeSearchState::Found,
                             kNothing = RuntimeSearchState::NothingFound;

TEST(Arm64HandOver, StepByMachineSiblingMarkAndSearch) {
    struct Case {
        LibraryWidth launcher;
        bool arm64Computer, sibling;
        HandOverMark mark;
        RuntimeSearchState search;
        HandOverStep step;
        bool x64Launcher = true; // "X64 Product" names one
    };
    const Case cases[] = {
        // The x64 launcher hands over only unmarked, on ARM64, with a sibling.
        {kX64, true, true, kNone, kNotYet, HandOverStep::ToSibling},
        {kX64, false, true, kNone, kNotYet, HandOverStep::Search},
        {kX64, true, false, kNone, kNotYet, HandOverStep::Search},
        {kX64, true, true, kBack, kNotYet, HandOverStep::Search},
        // A mark from an x64 launcher that reached another x64 launcher
        // (a sibling named wrongly) stops there instead of going round.
        {kX64, true, true, kFrom, kNotYet, HandOverStep::Search},
        {kX86, true, true, kNone, kNotYet, HandOverStep::Search},
        {kArm, true, true, kNone, kNotYet, HandOverStep::Search},
        {kArm, true, true, kFrom, kNotYet, HandOverStep::Search},
        // After the search.
        {kArm, true, false, kFrom, kFound, HandOverStep::Run},
        {kArm, true, false, kFrom, kNothing, HandOverStep::BackToX64},
        // Without an x64 launcher in its settings the sibling hands back to nobody.
        {kArm, true, false, kFrom, kNothing, HandOverStep::AskUser, false},
        {kArm, true, false, kNone, kNothing, HandOverStep::AskUser},
        {kArm, true, false, kBack, kNothing, HandOverStep::AskUser},
        {kX64, true, true, kBack, kNothing, HandOverStep::AskUser},
        {kX64, true, true, kFrom, kNothing, HandOverStep::AskUser},
        {kX64, true, true, kBack, kFound, HandOverStep::Run},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        EXPECT_EQ(handOverStep({c.launcher, c.arm64Computer, c.sibling, c.mark, c.search, c.x64Launcher}), c.step)
            << "row " << i;
    }
}

// The whole round from the x64 launcher's first start: the mark each start
// finds is the one the previous start set, and the round ends in a runtime
// or the user's dialog within three starts, whatever each one finds.
TEST(Arm64HandOver, RoundEndsWithinThreeStarts) {
    for (bool siblingFinds : {false, true}) {
        for (bool x64Finds : {false, true}) {
            LibraryWidth launcher = kX64;
            HandOverMark mark = kNone;
            int starts = 0;
            HandOverStep last = HandOverStep::Search;
            while (starts < 10) {
                ++starts;
                HandOverStep step = handOverStep({launcher, true, launcher == kX64, mark, kNotYet});
                if (step == HandOverStep::ToSibling) {
                    launcher = kArm;
                    mark = kFrom;
                    continue;
                }
                const bool finds = launcher == kArm ? siblingFinds : x64Finds;
                last = handOverStep({launcher, true, launcher == kX64, mark, finds ? kFound : kNothing, true});
                if (last != HandOverStep::BackToX64) break;
                launcher = kX64;
                mark = kBack;
            }
            EXPECT_LE(starts, 3) << siblingFinds << x64Finds;
            EXPECT_EQ(last, siblingFinds || x64Finds ? HandOverStep::Run : HandOverStep::AskUser);
        }
    }
}

// The mark is a flag: a path, or any other text, is no mark. The table of
// variables lets through exactly the values that make one.
TEST(Arm64HandOver, MarkerValues) {
    const struct {
        std::optional<std::u16string> value;
        HandOverMark mark;
    } cases[] = {
        {std::nullopt, kNone},        {u"from-x64", kFrom}, {u"returned", kBack},
        {u"Returned", kNone},         {u"", kNone},         {u"C:\\Apps\\viewer.exe", kNone},
        {u"from-x64 ", kNone},        {u"viewer.exe", kNone},
    };
    for (const auto& c : cases) EXPECT_EQ(readHandOverMark(c.value), c.mark) << toUtf8(c.value.value_or(u"(unset)"));
    const VariableRule* rule = findVariableRule(kHandOverVariable, true);
    ASSERT_NE(rule, nullptr);
    ASSERT_EQ(rule->values.size(), 2u);
    for (std::u16string_view value : rule->values) EXPECT_NE(readHandOverMark(std::u16string(value)), kNone);
}

TEST(Arm64HandOver, SiblingStaysInTheLauncherFolder) {
    const std::u16string sep(1, kPathSeparator);
    const std::u16string folder = kWindows ? u"C:\\Apps\\Viewer" : u"/opt/viewer";
    const std::u16string module = folder + sep + (kWindows ? u"viewer.exe" : u"viewer");
    struct Case {
        std::u16string value;
        std::u16string path; // empty: refused or not configured
    };
    const Case cases[] = {
        {u"", u""},
        {u"viewer-arm64.exe", folder + sep + u"viewer-arm64.exe"},
        {u"arm64" + sep + u"viewer.exe", folder + sep + u"arm64" + sep + u"viewer.exe"},
        {u".." + sep + u"other.exe", u""},
        {u"arm64" + sep + u".." + sep + u".." + sep + u"x.exe", u""},
        {kWindows ? u"C:\\Other\\x.exe" : u"/usr/bin/x", u""},
        {sep + u"x.exe", u""},
        {kWindows ? u"viewer.exe" : u"viewer", u""}, // the launcher itself
        {u"..x.exe", folder + sep + u"..x.exe"},
    };
    for (const Case& c : cases) {
        SiblingPath sibling = siblingBesideLauncher(c.value, module);
        EXPECT_EQ(sibling.path, c.path) << std::string(c.value.begin(), c.value.end());
        EXPECT_EQ(sibling.refusal.empty(), !c.path.empty() || c.value.empty())
            << std::string(c.value.begin(), c.value.end());
    }
    if (kWindows) {
        EXPECT_TRUE(siblingBesideLauncher(u"C:x.exe", module).path.empty());
        EXPECT_TRUE(siblingBesideLauncher(u"VIEWER.EXE", module).path.empty());
    }
}

// "X64 Product": a plain file name in the sibling's own folder, nothing else.
TEST(Arm64HandOver, X64LauncherIsAPlainNameBesideTheSibling) {
    const std::u16string sep(1, kPathSeparator);
    const std::u16string folder = kWindows ? u"C:\\Program Files\\Viewer" : u"/opt/viewer";
    const std::u16string module = folder + sep + (kWindows ? u"viewer-arm64.exe" : u"viewer-arm64");
    const struct {
        std::u16string value;
        bool used;
    } cases[] = {
        {u"viewer.exe", true},
        {u"..viewer.exe", true},
        {u"", false},
        {u".", false},
        {u"..", false},
        {u"..\\..\\Users\\Public\\evil.exe", false},
        {u"../../Users/Public/evil.exe", false},
        {u"C:evil.exe", false},
        {u"viewer.exe:stream", false},
        {kWindows ? u"Viewer-ARM64.EXE" : u"viewer-arm64", false}, // the sibling itself
    };
    for (const auto& c : cases) {
        const SiblingPath x64 = x64LauncherBeside(c.value, module);
        EXPECT_EQ(x64.path, c.used ? folder + sep + c.value : u"") << toUtf8(c.value);
        EXPECT_EQ(x64.refusal.empty(), c.used || c.value.empty()) << toUtf8(c.value);
    }
}

} // namespace
} // namespace launcher
