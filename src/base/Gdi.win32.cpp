#include "base/Gdi.win32.h"
#include "base/SystemLibrary.win32.h"

namespace launcher::gdi {

namespace {

const SystemLibrary& library() {
    static const SystemLibrary gdi32(L"gdi32.dll");
    return gdi32;
}

template <typename Function>
Function* find(const char* name) {
    return library().find<Function>(name);
}

} // namespace

HDC CreateCompatibleDC(HDC dc) {
    static auto* const function = find<decltype(::CreateCompatibleDC)>("CreateCompatibleDC");
    return function ? function(dc) : nullptr;
}

HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height) {
    static auto* const function = find<decltype(::CreateCompatibleBitmap)>("CreateCompatibleBitmap");
    return function ? function(dc, width, height) : nullptr;
}

HFONT CreateFontIndirectW(const LOGFONTW* font) {
    static auto* const function = find<decltype(::CreateFontIndirectW)>("CreateFontIndirectW");
    return function ? function(font) : nullptr;
}

HGDIOBJ GetStockObject(int index) {
    static auto* const function = find<decltype(::GetStockObject)>("GetStockObject");
    return function ? function(index) : nullptr;
}

int GetObjectW(HANDLE object, int size, void* buffer) {
    static auto* const function = find<decltype(::GetObjectW)>("GetObjectW");
    return function ? function(object, size, buffer) : 0;
}

HGDIOBJ SelectObject(HDC dc, HGDIOBJ object) {
    static auto* const function = find<decltype(::SelectObject)>("SelectObject");
    return function ? function(dc, object) : nullptr;
}

BOOL DeleteObject(HGDIOBJ object) {
    static auto* const function = find<decltype(::DeleteObject)>("DeleteObject");
    return function ? function(object) : FALSE;
}

BOOL DeleteDC(HDC dc) {
    static auto* const function = find<decltype(::DeleteDC)>("DeleteDC");
    return function ? function(dc) : FALSE;
}

BOOL BitBlt(HDC target, int x, int y, int width, int height, HDC source, int sourceX, int sourceY, DWORD operation) {
    static auto* const function = find<decltype(::BitBlt)>("BitBlt");
    return function ? function(target, x, y, width, height, source, sourceX, sourceY, operation) : FALSE;
}

int SetBkMode(HDC dc, int mode) {
    static auto* const function = find<decltype(::SetBkMode)>("SetBkMode");
    return function ? function(dc, mode) : 0;
}

COLORREF SetTextColor(HDC dc, COLORREF colour) {
    static auto* const function = find<decltype(::SetTextColor)>("SetTextColor");
    return function ? function(dc, colour) : CLR_INVALID;
}

} // namespace launcher::gdi
