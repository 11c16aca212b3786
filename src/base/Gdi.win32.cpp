#include "base/Gdi.win32.h"
#include "base/SystemLibrary.win32.h"

namespace launcher::gdi {

namespace {

constexpr wchar_t kGdi32[] = L"gdi32.dll";
using Gdi32 = LazySystemLibrary<kGdi32>;

} // namespace

HDC CreateCompatibleDC(HDC dc) {
    auto* const function = Gdi32::bind<decltype(::CreateCompatibleDC), "CreateCompatibleDC">();
    return function ? function(dc) : nullptr;
}

HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height) {
    auto* const function = Gdi32::bind<decltype(::CreateCompatibleBitmap), "CreateCompatibleBitmap">();
    return function ? function(dc, width, height) : nullptr;
}

HFONT CreateFontIndirectW(const LOGFONTW* font) {
    auto* const function = Gdi32::bind<decltype(::CreateFontIndirectW), "CreateFontIndirectW">();
    return function ? function(font) : nullptr;
}

HGDIOBJ GetStockObject(int index) {
    auto* const function = Gdi32::bind<decltype(::GetStockObject), "GetStockObject">();
    return function ? function(index) : nullptr;
}

int GetObjectW(HANDLE object, int size, void* buffer) {
    auto* const function = Gdi32::bind<decltype(::GetObjectW), "GetObjectW">();
    return function ? function(object, size, buffer) : 0;
}

HGDIOBJ SelectObject(HDC dc, HGDIOBJ object) {
    auto* const function = Gdi32::bind<decltype(::SelectObject), "SelectObject">();
    return function ? function(dc, object) : nullptr;
}

BOOL DeleteObject(HGDIOBJ object) {
    auto* const function = Gdi32::bind<decltype(::DeleteObject), "DeleteObject">();
    return function ? function(object) : FALSE;
}

BOOL DeleteDC(HDC dc) {
    auto* const function = Gdi32::bind<decltype(::DeleteDC), "DeleteDC">();
    return function ? function(dc) : FALSE;
}

BOOL BitBlt(HDC target, int x, int y, int width, int height, HDC source, int sourceX, int sourceY, DWORD operation) {
    auto* const function = Gdi32::bind<decltype(::BitBlt), "BitBlt">();
    return function ? function(target, x, y, width, height, source, sourceX, sourceY, operation) : FALSE;
}

int SetBkMode(HDC dc, int mode) {
    auto* const function = Gdi32::bind<decltype(::SetBkMode), "SetBkMode">();
    return function ? function(dc, mode) : 0;
}

COLORREF SetTextColor(HDC dc, COLORREF colour) {
    auto* const function = Gdi32::bind<decltype(::SetTextColor), "SetTextColor">();
    return function ? function(dc, colour) : CLR_INVALID;
}

} // namespace launcher::gdi
