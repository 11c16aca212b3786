// The x64 launcher and its ARM64 sibling: who searches, who hands over,
// and that no launch goes back and forth.

#include "base/Platform.h"
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
        {kArm, true, false, kNone, kNothing, HandOverStep::AskUser},
        {kArm, true, false, kBack, kNothing, HandOverStep::AskUser},
        {kX64, true, true, kBack, kNothing, HandOverStep::AskUser},
        {kX64, true, true, kFrom, kNothing, HandOverStep::AskUser},
        {kX64, true, true, kBack, kFound, HandOverStep::Run},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        EXPECT_EQ(handOverStep({c.launcher, c.arm64Computer, c.sibling, c.mark, c.search}), c.step) << "row " << i;
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
                last = handOverStep({launcher, true, launcher == kX64, mark, finds ? kFound : kNothing});
                if (last != HandOverStep::BackToX64) break;
                launcher = kX64;
                mark = kBack;
            }
            EXPECT_LE(starts, 3) << siblingFinds << x64Finds;
            EXPECT_EQ(last, siblingFinds || x64Finds ? HandOverStep::Run : HandOverStep::AskUser);
        }
    }
}

TEST(Arm64HandOver, MarkerValues) {
    const std::u16string path = kWindows ? u"C:\\Apps\\viewer.exe" : u"/opt/viewer/viewer";
    EXPECT_EQ(readHandOverMarker(std::nullopt).mark, kNone);
    EXPECT_EQ(readHandOverMarker(u"returned").mark, kBack);
    EXPECT_EQ(readHandOverMarker(u"Returned").mark, kNone);
    EXPECT_EQ(readHandOverMarker(u"").mark, kNone);
    EXPECT_EQ(readHandOverMarker(u"viewer.exe").mark, kNone);
    const HandOverMarker from = readHandOverMarker(path);
    EXPECT_EQ(from.mark, kFrom);
    EXPECT_EQ(from.x64Launcher, path);
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
        EXPECT_TRUE(inLauncherFolder(u"c:\\apps\\viewer\\Viewer.exe", module));
    }
    EXPECT_TRUE(inLauncherFolder(folder + sep + u"other", module));
    EXPECT_FALSE(inLauncherFolder(folder + sep + u"sub" + sep + u"other", module));
    EXPECT_FALSE(inLauncherFolder(folder + u"2" + sep + u"other", module));
    EXPECT_FALSE(inLauncherFolder(u"other", module));
}

} // namespace
} // namespace launcher
