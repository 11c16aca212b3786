// Placement of the launcher's dialogs: centring within a work area, and
// controls that follow a resized dialog's corner.

#include "ui/DialogLayout.h"

#include <gtest/gtest.h>

namespace launcher {
namespace {

TEST(DialogLayout, AnchoredControlsFollowTheGrowth) {
    const Box control{16, 54, 259, 156};
    struct Case {
        const char* name;
        unsigned anchors;
        int dx, dy;
        Box expected;
    } cases[] = {
        {"fixed stays", kFixed, 40, 30, control},
        {"grows in width", kGrowWidth, 40, 30, {16, 54, 299, 156}},
        {"grows in both", kGrowWidth | kGrowHeight, 40, 30, {16, 54, 299, 186}},
        {"widens and moves down", kGrowWidth | kMoveDown, 40, 30, {16, 84, 299, 186}},
        {"moves with the corner", kMoveRight | kMoveDown, 40, 30, {56, 84, 299, 186}},
        {"no growth, no change", kGrowWidth | kGrowHeight | kMoveRight | kMoveDown, 0, 0, control},
        {"shrinks back", kMoveRight | kGrowHeight, -10, -5, {6, 54, 249, 151}},
    };
    for (const Case& c : cases) EXPECT_EQ(anchoredBox(control, c.anchors, c.dx, c.dy), c.expected) << c.name;
}

TEST(DialogLayout, ScaledToAnotherMonitorsDpi) {
    struct Case {
        const char* name;
        Box box;
        int from, to;
        Box expected;
    } cases[] = {
        {"96 to 144", {16, 54, 259, 156}, 96, 144, {24, 81, 389, 234}},
        {"and back again", {24, 81, 389, 234}, 144, 96, {16, 54, 259, 156}},
        {"halves round away from zero, alike on both sides", {-3, 3, 5, -5}, 96, 144, {-5, 5, 8, -8}},
        // Adjacent boxes share an edge before and after.
        {"125 percent", {0, 10, 7, 21}, 96, 120, {0, 13, 9, 26}},
        {"an unknown scale changes nothing", {1, 2, 3, 4}, 0, 144, {1, 2, 3, 4}},
    };
    for (const Case& c : cases) EXPECT_EQ(scaledBox(c.box, c.from, c.to), c.expected) << c.name;
}

TEST(DialogLayout, TallerTextPushesWhatIsBelowIt) {
    const int textBottom = 48, extra = 10;
    struct Case {
        const char* name;
        Box control;
        Box expected;
    } cases[] = {
        {"above the text stays", {16, 11, 40, 40}, {16, 11, 40, 40}},
        {"beside the text, ending above its bottom, stays", {16, 24, 36, 44}, {16, 24, 36, 44}},
        {"below the text moves down", {44, 55, 119, 63}, {44, 65, 119, 73}},
        {"starting right at its bottom moves down", {12, 48, 60, 56}, {12, 58, 60, 66}},
        {"around the text grows", {8, 11, 211, 114}, {8, 11, 211, 124}},
    };
    for (const Case& c : cases) EXPECT_EQ(roomBelowText(c.control, textBottom, extra), c.expected) << c.name;
}

TEST(DialogLayout, CentredBoxStaysInsideTheWorkArea) {
    const Box area{0, 0, 1280, 984};
    struct Case {
        const char* name;
        int width, height;
        Box over;
        Box expected;
    } cases[] = {
        {"centred on the work area", 400, 300, area, {440, 342, 840, 642}},
        {"centred on an owner", 100, 50, {200, 100, 400, 300}, {250, 175, 350, 225}},
        {"owner at the right edge", 400, 300, {1200, 0, 1280, 100}, {880, 0, 1280, 300}},
        {"owner above the area", 200, 200, {0, -500, 100, -400}, {0, 0, 200, 200}},
        {"larger than the area", 1500, 1000, area, {0, 0, 1500, 1000}},
        {"area not at the origin", 100, 100, {1280, 0, 2560, 1024}, {1870, 462, 1970, 562}},
    };
    for (const Case& c : cases) {
        const Box work = c.over.left >= 1280 ? Box{1280, 0, 2560, 1024} : area;
        EXPECT_EQ(centredBox(c.width, c.height, c.over, work), c.expected) << c.name;
    }
}

} // namespace
} // namespace launcher
