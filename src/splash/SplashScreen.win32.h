#pragma once
// The splash window: a borderless, hidden-until-shown popup that paints a
// picture prepared once into an off-screen bitmap.

#include <string>

#include <windows.h>

namespace launcher {

inline constexpr const wchar_t* kSplashWindowClass = L"SplashScreenWindow";

class SplashScreen {
public:
    SplashScreen() = default;
    ~SplashScreen();
    SplashScreen(const SplashScreen&) = delete;
    SplashScreen& operator=(const SplashScreen&) = delete;

    // Prepares the picture and creates the hidden window, centred on the
    // primary screen at the picture's natural size; null when no window
    // could be created. A picture that cannot be decoded gives a window of
    // no size.
    HWND create(const std::u16string& imagePath, bool shadow);

private:
    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void paint(HWND window);
    // Replaces the off-screen bitmap with the picture drawn at w by h.
    void preparePicture(const std::u16string& imagePath, int& width, int& height);

    HWND window_ = nullptr;
    HBITMAP bitmap_ = nullptr; // owned; deleted with the object
};

} // namespace launcher
