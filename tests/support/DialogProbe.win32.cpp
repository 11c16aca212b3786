#include "support/DialogProbe.win32.h"
#include "support/TestSupport.h"
#include "support/WindowProbe.win32.h"

#include <algorithm>

namespace launcher::test {

HWND dialogControl(HWND dialog, int id) { return GetDlgItem(dialog, id); }

std::wstring controlText(HWND control) {
    const auto length = static_cast<size_t>(sendWithin(control, WM_GETTEXTLENGTH));
    std::wstring text(length + 1, L'\0');
    const auto copied = static_cast<size_t>(
        sendWithin(control, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data())));
    text.resize(std::min(copied, length));
    return text;
}

RECT rectInParent(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    MapWindowPoints(nullptr, GetParent(window), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

LRESULT sendWithin(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR result = 0;
    SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, 5000, &result);
    return static_cast<LRESULT>(result);
}

bool showsColour(HWND window, COLORREF colour) {
    std::vector<COLORREF> pixels = screenPixels(window);
    return std::find(pixels.begin(), pixels.end(), colour) != pixels.end();
}

} // namespace launcher::test
