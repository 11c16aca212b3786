#pragma once
// Placement arithmetic of the launcher's dialogs: centring on the screen and
// keeping controls anchored while a dialog is resized.

namespace launcher {

struct Box {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int width() const { return right - left; }
    int height() const { return bottom - top; }
    bool operator==(const Box&) const = default;
};

// How a control follows the corner of a dialog that is resized.
enum Anchor : unsigned {
    kFixed = 0,
    kGrowWidth = 1,
    kGrowHeight = 2,
    kMoveRight = 4,
    kMoveDown = 8,
};

// The control's box once the client area has grown by dx, dy against the
// size at which original was recorded.
Box anchoredBox(const Box& original, unsigned anchors, int dx, int dy);

// A box recorded at one scale (dots per inch) as it is at another: every
// edge scaled and rounded on its own, so that boxes that touched still do.
Box scaledBox(const Box& box, int fromDpi, int toDpi);

// Where a control goes when a text ending at textBottom needs `extra` more
// pixels of height: controls below it move down, controls around it (a
// group box) grow, controls above it stay.
Box roomBelowText(const Box& control, int textBottom, int extra);

// A window of the given size centred over `over`, then moved into `area`
// (a work area) as far as it fits; a window larger than the area keeps the
// area's top-left corner.
Box centredBox(int width, int height, const Box& over, const Box& area);

} // namespace launcher
