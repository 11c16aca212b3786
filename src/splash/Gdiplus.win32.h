#pragma once
// The GDI+ calls that draw the splash picture, with GDI+ loaded on first use.
// When the library cannot be loaded every call reports that GDI+ is not
// initialised, which the splash treats like a picture it cannot decode.

#include <windows.h>
// The lean Windows headers leave out the COM types GDI+ builds on.
#include <objidl.h>

#include <gdiplus.h>

namespace launcher::gdiplus {

using Gdiplus::GpBitmap;
using Gdiplus::GpGraphics;
using Gdiplus::GpImageAttributes;
using Gdiplus::GpStatus;

GpStatus GdiplusStartup(ULONG_PTR* token, const Gdiplus::GdiplusStartupInput* input,
                        Gdiplus::GdiplusStartupOutput* output);
void GdiplusShutdown(ULONG_PTR token);
GpStatus GdipCreateBitmapFromFile(const WCHAR* path, GpBitmap** bitmap);
GpStatus GdipDisposeImage(Gdiplus::GpImage* image);
GpStatus GdipGetImageWidth(Gdiplus::GpImage* image, UINT* width);
GpStatus GdipGetImageHeight(Gdiplus::GpImage* image, UINT* height);
GpStatus GdipCreateFromHDC(HDC dc, GpGraphics** graphics);
GpStatus GdipDeleteGraphics(GpGraphics* graphics);
GpStatus GdipSetInterpolationMode(GpGraphics* graphics, Gdiplus::InterpolationMode mode);
GpStatus GdipCreateImageAttributes(GpImageAttributes** attributes);
GpStatus GdipDisposeImageAttributes(GpImageAttributes* attributes);
GpStatus GdipSetImageAttributesWrapMode(GpImageAttributes* attributes, Gdiplus::WrapMode wrap, Gdiplus::ARGB colour,
                                        BOOL clamp);
GpStatus GdipDrawImageRectRectI(GpGraphics* graphics, Gdiplus::GpImage* image, INT x, INT y, INT width, INT height,
                                INT sourceX, INT sourceY, INT sourceWidth, INT sourceHeight, Gdiplus::GpUnit unit,
                                const GpImageAttributes* attributes, Gdiplus::DrawImageAbort callback,
                                VOID* callbackData);

} // namespace launcher::gdiplus
