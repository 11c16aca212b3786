#pragma once
// The few GDI calls the splash and the dialogs make, with GDI loaded on first
// use. When the library cannot be loaded each call fails as the system call
// itself reports failure (null handle, zero), so callers keep one path.

#include <windows.h>

namespace launcher::gdi {

HDC CreateCompatibleDC(HDC dc);
HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height);
HFONT CreateFontIndirectW(const LOGFONTW* font);
HGDIOBJ GetStockObject(int index);
int GetObjectW(HANDLE object, int size, void* buffer);
HGDIOBJ SelectObject(HDC dc, HGDIOBJ object);
BOOL DeleteObject(HGDIOBJ object);
BOOL DeleteDC(HDC dc);
BOOL BitBlt(HDC target, int x, int y, int width, int height, HDC source, int sourceX, int sourceY, DWORD operation);
int SetBkMode(HDC dc, int mode);
COLORREF SetTextColor(HDC dc, COLORREF colour);

} // namespace launcher::gdi
