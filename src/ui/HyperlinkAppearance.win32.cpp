// How a hyperlink control looks: set up when it is attached (style, fonts,
// tooltip, the browser's link colours), measured, and painted. What it does
// with messages, clicks and keys is in HyperlinkControl.win32.cpp.
#include "ui/HyperlinkControl.win32.h"
#include "base/Wide.win32.h"
#include "base/Gdi.win32.h"
#include "base/Handles.win32.h"

#include <algorithm>
#include <commctrl.h>

namespace launcher {

namespace {

constexpr UINT_PTR kToolId = 1;

// The icon-title font at the scale of the window's monitor. Windows before
// 10 (1607) know one scale only: the system's.
HFONT createIconTitleFont(HWND window) {
    LOGFONTW font{};
    using DpiForWindow = UINT(WINAPI*)(HWND);
    using ParametersForDpi = BOOL(WINAPI*)(UINT, UINT, PVOID, UINT, UINT);
    HMODULE user = GetModuleHandleW(L"user32.dll");
    auto dpiForWindow = reinterpret_cast<DpiForWindow>(reinterpret_cast<void*>(GetProcAddress(user, "GetDpiForWindow")));
    auto parametersForDpi =
        reinterpret_cast<ParametersForDpi>(reinterpret_cast<void*>(GetProcAddress(user, "SystemParametersInfoForDpi")));
    const UINT dpi = dpiForWindow ? dpiForWindow(window) : 0;
    const bool read = dpi && parametersForDpi ? parametersForDpi(SPI_GETICONTITLELOGFONT, sizeof font, &font, 0, dpi)
                                              : SystemParametersInfoW(SPI_GETICONTITLELOGFONT, sizeof font, &font, 0);
    return read ? gdi::CreateFontIndirectW(&font) : nullptr;
}

bool isStaticClass(HWND window) {
    wchar_t name[8] = {};
    GetClassNameW(window, name, 8);
    return lstrcmpiW(name, L"static") == 0;
}

// Static types that draw pictures or frames rather than text.
bool drawsItsOwnPicture(LONG_PTR style) {
    const LONG_PTR type = style & 0xFF;
    return (type >= 3 && type <= 9) || (type >= 13 && type <= 15);
}

// Tool records grew with Windows Vista; older systems reject the larger one.
UINT toolInfoSize() {
    OSVERSIONINFOEXW version{};
    version.dwOSVersionInfoSize = sizeof version;
    version.dwMajorVersion = 6;
    version.dwMinorVersion = 0;
    version.wServicePackMajor = 0;
    ULONGLONG condition = 0;
    condition = VerSetConditionMask(condition, VER_MAJORVERSION, VER_GREATER_EQUAL);
    condition = VerSetConditionMask(condition, VER_MINORVERSION, VER_GREATER_EQUAL);
    condition = VerSetConditionMask(condition, VER_SERVICEPACKMAJOR, VER_GREATER_EQUAL);
    const bool vista = VerifyVersionInfoW(&version, VER_MAJORVERSION | VER_MINORVERSION | VER_SERVICEPACKMAJOR,
                                          condition) != FALSE;
    return vista ? sizeof(TTTOOLINFOW) : TTTOOLINFOW_V2_SIZE;
}

std::u16string readWindowText(HWND window) {
    std::u16string text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, u'\0');
    text.resize(static_cast<size_t>(std::max(0, GetWindowTextW(window, wide(text), static_cast<int>(text.size())))));
    return text;
}

void readColour(HKEY key, const wchar_t* name, Colour& colour) {
    char bytes[kColourValueBytes] = {};
    DWORD size = sizeof bytes;
    DWORD type = REG_NONE;
    if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(bytes), &size) != ERROR_SUCCESS) return;
    const bool isText = type == REG_SZ || type == REG_EXPAND_SZ;
    if (std::optional<Colour> parsed = parseColourValue(isText, std::string_view(bytes, size))) colour = *parsed;
}

} // namespace

void HyperlinkControl::initialise() {
    if (isStaticClass(window_)) {
        LONG_PTR style = GetWindowLongPtrW(window_, GWL_STYLE);
        // Without SS_NOTIFY a static control lets clicks fall through.
        if (!(style & SS_NOTIFY)) SetWindowLongPtrW(window_, GWL_STYLE, style | SS_NOTIFY);
        if (drawsItsOwnPicture(style)) paintLabel_ = false;
    }
    cursor_ = LoadCursorW(nullptr, IDC_HAND);
    if (paintLabel_) {
        if (!normalFont_) {
            ownedNormalFont_.reset(createIconTitleFont(window_));
            normalFont_ = ownedNormalFont_.get();
        }
        createLinkFont();
    }
    createTooltip();
    if (label_.empty()) label_ = readWindowText(window_);
    computeLinkRect();
    if (target_.empty()) target_ = label_;
    if (tooltip_) {
        SendMessageW(tooltip_.get(), TTM_ACTIVATE, TRUE, 0);
        TTTOOLINFOW tool{};
        tool.cbSize = toolInfoSize();
        tool.hwnd = window_;
        tool.uId = kToolId;
        tool.rect = linkRect_;
        tool.lpszText = wide(target_);
        SendMessageW(tooltip_.get(), TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    }
    if (paintLabel_) readBrowserColours();
}

void HyperlinkControl::createLinkFont() {
    LOGFONTW description{};
    HGDIOBJ source = normalFont_ ? static_cast<HGDIOBJ>(normalFont_) : gdi::GetStockObject(SYSTEM_FONT);
    if (!gdi::GetObjectW(source, sizeof description, &description)) return;
    description.lfUnderline = TRUE;
    linkFont_.reset(gdi::CreateFontIndirectW(&description));
}

void HyperlinkControl::createTooltip() {
    tooltip_.reset(CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                                   CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window_, nullptr,
                                   GetModuleHandleW(nullptr), nullptr));
}

void HyperlinkControl::readBrowserColours() {
    HKEY opened = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Internet Explorer\\Settings", 0,
                      KEY_READ | KEY_SET_VALUE | KEY_CREATE_SUB_KEY, &opened) != ERROR_SUCCESS) {
        return;
    }
    UniqueKey key(opened);
    readColour(key.get(), L"Anchor Color", linkColour_);
    readColour(key.get(), L"Anchor Color Visited", visitedColour_);
}

UINT HyperlinkControl::textFormat() const {
    const LONG_PTR style = GetWindowLongPtrW(window_, GWL_STYLE);
    const LONG_PTR type = style & SS_TYPEMASK;
    UINT format = DT_WORDBREAK;
    if (type == SS_CENTER) {
        format |= DT_CENTER;
    } else if (type == SS_RIGHT) {
        format |= DT_RIGHT;
    }
    return format;
}

void HyperlinkControl::computeLinkRect() {
    RECT client{};
    GetClientRect(window_, &client);
    linkRect_ = client;
    if (!paintLabel_) return;
    HDC dc = GetDC(window_);
    if (!dc) return;
    HGDIOBJ old = gdi::SelectObject(dc, linkFont_ ? linkFont_.get() : normalFont_);
    RECT measured = client;
    const UINT format = textFormat();
    DrawTextW(dc, wide(label_), static_cast<int>(label_.size()), &measured, format | DT_CALCRECT);
    gdi::SelectObject(dc, old);
    ReleaseDC(window_, dc);
    int shift = 0;
    if (format & DT_CENTER) {
        shift = (client.right - measured.right) / 2;
    } else if (format & DT_RIGHT) {
        shift = client.right - measured.right;
    }
    OffsetRect(&measured, shift, 0);
    linkRect_ = measured;
    if (tooltip_) {
        TTTOOLINFOW tool{};
        tool.cbSize = toolInfoSize();
        tool.hwnd = window_;
        tool.uId = kToolId;
        tool.rect = linkRect_;
        SendMessageW(tooltip_.get(), TTM_NEWTOOLRECTW, 0, reinterpret_cast<LPARAM>(&tool));
    }
}

void HyperlinkControl::followScale() {
    if (!paintLabel_) return;
    // A font handed over with WM_SETFONT is the dialog's to scale (it sends
    // the new one); the control's own font was made for the old scale.
    if (ownedNormalFont_) {
        ownedNormalFont_.reset(createIconTitleFont(window_));
        normalFont_ = ownedNormalFont_.get();
    }
    createLinkFont();
    // The label's extent changes with the font even when the control's
    // size does not: the underline, the focus frame, the hand cursor's area
    // and the tooltip follow it.
    computeLinkRect();
    InvalidateRect(window_, nullptr, TRUE);
}

void HyperlinkControl::paint(HDC dc) {
    RECT client{};
    GetClientRect(window_, &client);
    HWND parent = GetParent(window_);
    auto brush = reinterpret_cast<HBRUSH>(
        SendMessageW(parent, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(window_)));
    if (brush) FillRect(dc, &client, brush);
    gdi::SetBkMode(dc, TRANSPARENT);
    COLORREF colour = !IsWindowEnabled(window_) ? GetSysColor(COLOR_GRAYTEXT) : visited_ ? visitedColour_ : linkColour_;
    gdi::SetTextColor(dc, colour);
    HGDIOBJ old = gdi::SelectObject(dc, linkFont_ ? linkFont_.get() : normalFont_);
    RECT area = linkRect_;
    DrawTextW(dc, wide(label_), static_cast<int>(label_.size()), &area, textFormat());
    gdi::SelectObject(dc, old);
    if (GetFocus() == window_) DrawFocusRect(dc, &linkRect_);
}

} // namespace launcher
