#include "splash/Gdiplus.win32.h"
#include "base/SystemLibrary.win32.h"

namespace launcher::gdiplus {

namespace {

namespace flat = Gdiplus::DllExports;

// Reported for every call while the library is missing: the caller's view
// is the same as before a successful start-up.
constexpr GpStatus kMissing = Gdiplus::GdiplusNotInitialized;

constexpr wchar_t kGdiplus[] = L"gdiplus.dll";
using GdiplusLibrary = LazySystemLibrary<kGdiplus>;

} // namespace

GpStatus GdiplusStartup(ULONG_PTR* token, const Gdiplus::GdiplusStartupInput* input,
                        Gdiplus::GdiplusStartupOutput* output) {
    auto* const function = GdiplusLibrary::bind<decltype(Gdiplus::GdiplusStartup), "GdiplusStartup">();
    return function ? function(token, input, output) : kMissing;
}

void GdiplusShutdown(ULONG_PTR token) {
    auto* const function = GdiplusLibrary::bind<decltype(Gdiplus::GdiplusShutdown), "GdiplusShutdown">();
    if (function) function(token);
}

GpStatus GdipCreateBitmapFromFile(const WCHAR* path, GpBitmap** bitmap) {
    auto* const function = GdiplusLibrary::bind<decltype(flat::GdipCreateBitmapFromFile), "GdipCreateBitmapFromFile">();
    return function ? function(path, bitmap) : kMissing;
}

GpStatus GdipDisposeImage(Gdiplus::GpImage* image) {
    auto* const function = GdiplusLibrary::bind<decltype(flat::GdipDisposeImage), "GdipDisposeImage">();
    return function ? function(image) : kMissing;
}

GpStatus GdipGetImageWidth(Gdiplus::GpImage* image, UINT* width) {
    auto* const function = GdiplusLibrary::bind<decltype(flat::GdipGetImageWidth), "GdipGetImageWidth">();
    return function ? function(image, width) : kMissing;
}

GpStatus GdipGetImageHeight(Gdiplus::GpImage* image, UINT* height) {
    auto* const function = GdiplusLibrary::bind<decltype(flat::GdipGetImageHeight), "GdipGetImageHeight">();
    return function ? function(image, height) : kMissing;
}

GpStatus GdipCreateFromHDC(HDC dc, GpGraphics** graphics) {
    auto* const function = GdiplusLibrary::bind<decltype(flat::GdipCreateFromHDC), "GdipCreateFromHDC">();
    return function ? function(dc, graphics) : kMissing;
}

GpStatus GdipDeleteGraphics(GpGraphics* graphics) {
    auto* const function = GdiplusLibrary::bind<decltype(flat::GdipDeleteGraphics), "GdipDeleteGraphics">();
    return function ? function(graphics) : kMissing;
}

GpStatus GdipSetInterpolationMode(GpGraphics* graphics, Gdiplus::InterpolationMode mode) {
    auto* const function = GdiplusLibrary::bind<decltype(flat::GdipSetInterpolationMode), "GdipSetInterpolationMode">();
    return function ? function(graphics, mode) : kMissing;
}

GpStatus GdipCreateImageAttributes(GpImageAttributes** attributes) {
    auto* const function = GdiplusLibrary::bind<decltype(flat::GdipCreateImageAttributes), "GdipCreateImageAttributes">();
    return function ? function(attributes) : kMissing;
}

GpStatus GdipDisposeImageAttributes(GpImageAttributes* attributes) {
    auto* const function = GdiplusLibrary::bind<decltype(flat::GdipDisposeImageAttributes), "GdipDisposeImageAttributes">();
    return function ? function(attributes) : kMissing;
}

GpStatus GdipSetImageAttributesWrapMode(GpImageAttributes* attributes, Gdiplus::WrapMode wrap, Gdiplus::ARGB colour,
                                        BOOL clamp) {
    auto* const function =
        GdiplusLibrary::bind<decltype(flat::GdipSetImageAttributesWrapMode), "GdipSetImageAttributesWrapMode">();
    return function ? function(attributes, wrap, colour, clamp) : kMissing;
}

GpStatus GdipDrawImageRectRectI(GpGraphics* graphics, Gdiplus::GpImage* image, INT x, INT y, INT width, INT height,
                                INT sourceX, INT sourceY, INT sourceWidth, INT sourceHeight, Gdiplus::GpUnit unit,
                                const GpImageAttributes* attributes, Gdiplus::DrawImageAbort callback,
                                VOID* callbackData) {
    auto* const function = GdiplusLibrary::bind<decltype(flat::GdipDrawImageRectRectI), "GdipDrawImageRectRectI">();
    return function ? function(graphics, image, x, y, width, height, sourceX, sourceY, sourceWidth, sourceHeight,
                               unit, attributes, callback, callbackData)
                    : kMissing;
}

} // namespace launcher::gdiplus
