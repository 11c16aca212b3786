#include "ui/DialogLayout.h"

#include <algorithm>

namespace launcher {

namespace {

// The start of a span of `length` centred in [low, high), kept inside
// [areaLow, areaHigh).
int centredStart(int length, int low, int high, int areaLow, int areaHigh) {
    int start = low + (high - low - length) / 2;
    start = std::min(start, areaHigh - length);
    return std::max(start, areaLow);
}

} // namespace

Box anchoredBox(const Box& original, unsigned anchors, int dx, int dy) {
    Box box = original;
    if (anchors & kMoveRight) box.left += dx;
    if (anchors & kMoveDown) box.top += dy;
    box.right = box.left + original.width() + (anchors & kGrowWidth ? dx : 0);
    box.bottom = box.top + original.height() + (anchors & kGrowHeight ? dy : 0);
    return box;
}

Box scaledBox(const Box& box, int fromDpi, int toDpi) {
    if (fromDpi <= 0 || toDpi <= 0) return box;
    auto scale = [fromDpi, toDpi](int value) {
        const long long scaled = static_cast<long long>(value) * toDpi;
        // Rounded half away from zero, alike for negative coordinates.
        const long long half = fromDpi / 2;
        return static_cast<int>(scaled >= 0 ? (scaled + half) / fromDpi : -((-scaled + half) / fromDpi));
    };
    return {scale(box.left), scale(box.top), scale(box.right), scale(box.bottom)};
}

Box roomBelowText(const Box& control, int textBottom, int extra) {
    Box box = control;
    if (control.top >= textBottom) {
        box.top += extra;
        box.bottom += extra;
    } else if (control.bottom > textBottom) {
        box.bottom += extra;
    }
    return box;
}

Box centredBox(int width, int height, const Box& over, const Box& area) {
    const int left = centredStart(width, over.left, over.right, area.left, area.right);
    const int top = centredStart(height, over.top, over.bottom, area.top, area.bottom);
    return {left, top, left + width, top + height};
}

} // namespace launcher
