#include "splash/Gdiplus.win32.h"
#include "base/SystemLibrary.win32.h"

namespace launcher::gdiplus {

namespace {

namespace flat = Gdiplus::DllExports;

// Reported for every call while the library is missing: the caller's view
// is the same as before a successful start-up.
constexpr GpStatus kMissing = Gdiplus::GdiplusNotInitialized;

const SystemLibrary& library() {
    static const SystemLibrary gdiplus(L"gdiplus.dll");
    return gdiplus;
}

template <typename Function>
Function* find(const char* name) {
    return library().find<Function>(name);
}

} // namespace

GpStatus GdiplusStartup(ULONG_PTR* token, const Gdiplus::GdiplusStartupInput* input,
                        Gdiplus::GdiplusStartupOutput* output) {
    static auto* const function = find<decltype(Gdiplus::GdiplusStartup)>("GdiplusStartup");
    return function ? function(token, input, output) : kMissing;
}

void GdiplusShutdown(ULONG_PTR token) {
    static auto* const function = find<decltype(Gdiplus::GdiplusShutdown)>("GdiplusShutdown");
    if (function) function(token);
}

GpStatus GdipCreateBitmapFromFile(const WCHAR* path, GpBitmap** bitmap) {
    static auto* const function = find<decltype(flat::GdipCreateBitmapFromFile)>("GdipCreateBitmapFromFile");
    return function ? function(path, bitmap) : kMissing;
}

GpStatus GdipDisposeImage(Gdiplus::GpImage* image) {
    static auto* const function = find<decltype(flat::GdipDisposeImage)>("GdipDisposeImage");
    return function ? function(image) : kMissing;
}

GpStatus GdipGetImageWidth(Gdiplus::GpImage* image, UINT* width) {
    static auto* const function = find<decltype(flat::GdipGetImageWidth)>("GdipGetImageWidth");
    return function ? function(image, width) : kMissing;
}

GpStatus GdipGetImageHeight(Gdiplus::GpImage* image, UINT* height) {
    static auto* const function = find<decltype(flat::GdipGetImageHeight)>("GdipGetImageHeight");
    return function ? function(image, height) : kMissing;
}

GpStatus GdipCreateFromHDC(HDC dc, GpGraphics** graphics) {
    static auto* const function = find<decltype(flat::GdipCreateFromHDC)>("GdipCreateFromHDC");
    return function ? function(dc, graphics) : kMissing;
}

GpStatus GdipDeleteGraphics(GpGraphics* graphics) {
    static auto* const function = find<decltype(flat::GdipDeleteGraphics)>("GdipDeleteGraphics");
    return function ? function(graphics) : kMissing;
}

GpStatus GdipSetInterpolationMode(GpGraphics* graphics, Gdiplus::InterpolationMode mode) {
    static auto* const function = find<decltype(flat::GdipSetInterpolationMode)>("GdipSetInterpolationMode");
    return function ? function(graphics, mode) : kMissing;
}

GpStatus GdipCreateImageAttributes(GpImageAttributes** attributes) {
    static auto* const function = find<decltype(flat::GdipCreateImageAttributes)>("GdipCreateImageAttributes");
    return function ? function(attributes) : kMissing;
}

GpStatus GdipDisposeImageAttributes(GpImageAttributes* attributes) {
    static auto* const function = find<decltype(flat::GdipDisposeImageAttributes)>("GdipDisposeImageAttributes");
    return function ? function(attributes) : kMissing;
}

GpStatus GdipSetImageAttributesWrapMode(GpImageAttributes* attributes, Gdiplus::WrapMode wrap, Gdiplus::ARGB colour,
                                        BOOL clamp) {
    static auto* const function =
        find<decltype(flat::GdipSetImageAttributesWrapMode)>("GdipSetImageAttributesWrapMode");
    return function ? function(attributes, wrap, colour, clamp) : kMissing;
}

GpStatus GdipDrawImageRectRectI(GpGraphics* graphics, Gdiplus::GpImage* image, INT x, INT y, INT width, INT height,
                                INT sourceX, INT sourceY, INT sourceWidth, INT sourceHeight, Gdiplus::GpUnit unit,
                                const GpImageAttributes* attributes, Gdiplus::DrawImageAbort callback,
                                VOID* callbackData) {
    static auto* const function = find<decltype(flat::GdipDrawImageRectRectI)>("GdipDrawImageRectRectI");
    return function ? function(graphics, image, x, y, width, height, sourceX, sourceY, sourceWidth, sourceHeight,
                               unit, attributes, callback, callbackData)
                    : kMissing;
}

} // namespace launcher::gdiplus
