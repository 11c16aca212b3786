#include "splash/SplashScreen.win32.h"
#include "base/UniqueResource.h"
#include "base/Gdi.win32.h"
#include "base/Wide.win32.h"
#include "splash/Gdiplus.win32.h"
#include "splash/SplashPlacement.h"

namespace launcher {

namespace {

namespace gdip = launcher::gdiplus;

void deleteDc(HDC dc) { gdi::DeleteDC(dc); }
void disposeImage(Gdiplus::GpBitmap* image) { gdip::GdipDisposeImage(image); }
void deleteGraphics(Gdiplus::GpGraphics* graphics) { gdip::GdipDeleteGraphics(graphics); }
void disposeAttributes(Gdiplus::GpImageAttributes* attributes) { gdip::GdipDisposeImageAttributes(attributes); }

using UniqueMemoryDc = UniqueResource<NullEmptyTraits<HDC, deleteDc>>;
using UniqueGdipBitmap = UniqueResource<NullEmptyTraits<Gdiplus::GpBitmap*, disposeImage>>;
using UniqueGraphics = UniqueResource<NullEmptyTraits<Gdiplus::GpGraphics*, deleteGraphics>>;
using UniqueImageAttributes = UniqueResource<NullEmptyTraits<Gdiplus::GpImageAttributes*, disposeAttributes>>;

// GDI+ runs from the first splash picture until the process ends.
class GdiplusSession {
public:
    GdiplusSession() {
        Gdiplus::GdiplusStartupInput input; // version 1, no debug callback, background thread
        gdip::GdiplusStartup(&token_, &input, nullptr);
    }
    ~GdiplusSession() {
        if (token_) gdip::GdiplusShutdown(token_);
    }

private:
    ULONG_PTR token_ = 0;
};

void ensureGdiplus() {
    static GdiplusSession session;
}

bool registerSplashClass(WNDPROC windowProc, bool shadow) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.style = CS_DBLCLKS | CS_SAVEBITS | (shadow ? CS_DROPSHADOW : 0);
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = kSplashWindowClass;
    // A class left from an earlier splash of this process serves as well.
    return RegisterClassExW(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

// Draws the decoded picture unscaled into the bitmap selected in dc.
void drawPicture(HDC dc, Gdiplus::GpBitmap* picture, int width, int height) {
    Gdiplus::GpGraphics* graphics = nullptr;
    if (gdip::GdipCreateFromHDC(dc, &graphics) != Gdiplus::Ok) return;
    UniqueGraphics ownedGraphics(graphics);
    gdip::GdipSetInterpolationMode(graphics, Gdiplus::InterpolationModeHighQualityBicubic);
    Gdiplus::GpImageAttributes* attributes = nullptr;
    gdip::GdipCreateImageAttributes(&attributes);
    UniqueImageAttributes ownedAttributes(attributes);
    // Flipped tiling keeps the picture's edge pixels from bleeding in as
    // black at the border.
    if (attributes) gdip::GdipSetImageAttributesWrapMode(attributes, Gdiplus::WrapModeTileFlipXY, 0xFF000000, FALSE);
    gdip::GdipDrawImageRectRectI(graphics, picture, 0, 0, width, height, 0, 0, width, height, Gdiplus::UnitPixel,
                                 attributes, nullptr, nullptr);
}

} // namespace

SplashScreen::~SplashScreen() {
    if (bitmap_) gdi::DeleteObject(bitmap_);
}

HWND SplashScreen::create(const std::u16string& imagePath, bool shadow) {
    // Some systems refuse the shadow style: the splash then goes without it.
    if (!registerSplashClass(&windowProc, shadow) && !(shadow && registerSplashClass(&windowProc, false))) {
        return nullptr;
    }
    int width = 0;
    int height = 0;
    preparePicture(imagePath, width, height);
    SplashOrigin origin = centredSplashOrigin(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), width, height);
    window_ = CreateWindowExW(WS_EX_TOOLWINDOW, kSplashWindowClass, nullptr, WS_POPUP, origin.x, origin.y, width,
                              height, nullptr, nullptr, GetModuleHandleW(nullptr), this);
    return window_;
}

void SplashScreen::preparePicture(const std::u16string& imagePath, int& width, int& height) {
    ensureGdiplus();
    Gdiplus::GpBitmap* picture = nullptr;
    gdip::GdipCreateBitmapFromFile(wide(imagePath), &picture);
    UniqueGdipBitmap ownedPicture(picture);
    UINT pictureWidth = 0;
    UINT pictureHeight = 0;
    if (picture) {
        gdip::GdipGetImageWidth(picture, &pictureWidth);
        gdip::GdipGetImageHeight(picture, &pictureHeight);
    }
    width = static_cast<int>(pictureWidth);
    height = static_cast<int>(pictureHeight);
    if (bitmap_) gdi::DeleteObject(std::exchange(bitmap_, nullptr));
    HDC screen = GetDC(nullptr);
    ScopeExit releaseScreen([screen] { ReleaseDC(nullptr, screen); });
    bitmap_ = gdi::CreateCompatibleBitmap(screen, width, height);
    UniqueMemoryDc memory(gdi::CreateCompatibleDC(screen));
    // A picture too large for a bitmap leaves the window blank, not broken.
    if (!bitmap_ || !memory || !picture) return;
    HGDIOBJ previous = gdi::SelectObject(memory.get(), bitmap_);
    drawPicture(memory.get(), picture, width, height);
    gdi::SelectObject(memory.get(), previous);
}

void SplashScreen::paint(HWND window) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    if (dc && bitmap_) {
        BITMAP size{};
        gdi::GetObjectW(bitmap_, sizeof(size), &size);
        UniqueMemoryDc memory(gdi::CreateCompatibleDC(dc));
        if (memory) {
            HGDIOBJ previous = gdi::SelectObject(memory.get(), bitmap_);
            gdi::BitBlt(dc, 0, 0, size.bmWidth, size.bmHeight, memory.get(), 0, 0, SRCCOPY);
            gdi::SelectObject(memory.get(), previous);
        }
    }
    EndPaint(window, &ps);
}

LRESULT CALLBACK SplashScreen::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* screen = reinterpret_cast<SplashScreen*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    switch (message) {
    case WM_PAINT:
        if (!screen) break;
        screen->paint(window);
        return 0;
    case WM_ERASEBKGND:
        // The bitmap covers the whole window.
        return 1;
    default:
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace launcher
