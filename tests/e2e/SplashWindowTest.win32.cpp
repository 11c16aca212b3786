// The launcher's own splash window, seen from outside as a person sees it:
// where it is, what it shows, when it goes, and which windows own the
// launcher's message boxes. The stand-in runtime's standin/Hold keeps main
// running until the test creates a flag file, then lingers after main as a
// windowed program would.

#include "base/Text.h"
#include "probe/StandinProbe.h"
#include "support/Screenshot.win32.h"
#include "support/TestSupport.h"
#include "support/WindowProbe.win32.h"

#include <gtest/gtest.h>

namespace launcher {
namespace {

namespace fs = std::filesystem;

constexpr COLORREF kLeft = RGB(200, 30, 40);
constexpr COLORREF kRight = RGB(20, 60, 210);

// Left half red, right half blue: the screen shows whether the picture is
// drawn whole, unscaled and the right way round.
COLORREF halves(int x, int, int width) { return x < width / 2 ? kLeft : kRight; }

class SplashWindow : public ::testing::Test {
protected:
    test::TempFolder folder;
    fs::path exe = folder.path() / "viewer.exe";
    fs::path flag = folder.path() / "main-may-return";
    fs::path tracePath = folder.path() / "trace.txt";
    test::EnvironmentOverride traceVariable{u"STANDIN_TRACE", tracePath.u16string()};

    void SetUp() override {
        fs::copy_file(test::builtProgramFolder() / "launcher.exe", exe);
        test::writeBytes(folder.path() / "app.jar", "PK");
    }
    void writeIni(const std::string& mainClass, const std::string& display, const std::string& parameters = "",
                  std::string_view runtime = "standard") {
        test::writeText(folder.path() / "viewer.ini",
                        u"[Java Runtime Environment]\r\nMain Class=" + fromUtf8(mainClass) + u"\r\nJRE Path=" +
                            test::standinHome(runtime).u16string() + u"\r\nVirtual Machine Parameters=" +
                            fromUtf8(parameters) +
                            u"\r\n[Class Path]\r\nClass Path=app.jar\r\n[Display]\r\n" + fromUtf8(display) + u"\r\n");
    }
    fs::path picture(int width, int height) {
        fs::path file = folder.path() / "splash.bmp";
        test::writeBitmapFile(file, width, height, [width](int x, int y) { return halves(x, y, width); });
        return file;
    }
    std::wstring holdArguments(const std::wstring& more = L"") const {
        return L"\"" + flag.wstring() + L"\"" + more;
    }
    bool traceHas(const std::string& line) const {
        std::string text(1, '\n'), wanted(1, '\n');
        text += test::readBytes(tracePath);
        wanted += line;
        wanted += '\n';
        return text.find(wanted) != std::string::npos;
    }
};

RECT windowRect(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    return rect;
}

TEST_F(SplashWindow, PictureCentredAtNaturalSizeUntilMainReturns) {
    writeIni("standin.Hold", "Splash Screen=" + toUtf8(picture(400, 300).u16string()));
    test::StartedProcess launcher(exe.wstring(), holdArguments());
    ASSERT_TRUE(launcher.started());
    HWND splash = test::waitForProcessWindow(launcher.id(), L"SplashScreenWindow", 30000);
    ASSERT_NE(splash, nullptr) << "no splash window appeared";

    const int screenW = GetSystemMetrics(SM_CXSCREEN), screenH = GetSystemMetrics(SM_CYSCREEN);
    RECT rect = windowRect(splash);
    EXPECT_EQ(rect.left, (screenW - 400) / 2);
    EXPECT_EQ(rect.top, (screenH - 300) / 2);
    EXPECT_EQ(rect.right - rect.left, 400);
    EXPECT_EQ(rect.bottom - rect.top, 300);
    // A borderless tool window: no caption, no taskbar button.
    LONG_PTR style = GetWindowLongPtrW(splash, GWL_STYLE);
    EXPECT_TRUE(style & WS_POPUP);
    EXPECT_FALSE(style & WS_CAPTION);
    EXPECT_TRUE(GetWindowLongPtrW(splash, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
    EXPECT_FALSE(GetWindowLongPtrW(splash, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_EQ(GetClassLongPtrW(splash, GCL_STYLE) & CS_DROPSHADOW, 0u);

    // The screen shows the picture pixel for pixel.
    std::vector<COLORREF> shown;
    for (int attempt = 0; attempt < 100 && (shown.empty() || shown.front() != kLeft); ++attempt) {
        Sleep(50);
        shown = test::screenPixels(splash);
    }
    ASSERT_EQ(shown.size(), 400u * 300u);
    for (int y : {0, 150, 299}) {
        for (int x : {0, 199, 200, 399}) EXPECT_EQ(shown[y * 400 + x], halves(x, y, 400)) << x << "," << y;
    }
    EXPECT_FALSE(test::saveScreenshot("splash-400x300").empty());

    // Once main has returned the splash goes, while the program lives on.
    test::writeBytes(flag, "");
    for (int i = 0; i < 200 && !traceHas("main returns"); ++i) Sleep(50);
    ASSERT_TRUE(traceHas("main returns"));
    HWND still = splash;
    for (int i = 0; i < 200 && still; ++i) {
        Sleep(50);
        still = IsWindow(splash) ? splash : nullptr;
    }
    EXPECT_EQ(still, nullptr);
    EXPECT_EQ(launcher.waitForExit(0), STILL_ACTIVE);
    EXPECT_FALSE(test::saveScreenshot("splash-gone-after-main").empty());
}

TEST_F(SplashWindow, ShadowOnlyForExactlyLowerCaseTrue) {
    fs::path file = picture(64, 48);
    for (auto [text, shadow] : {std::pair{"true", true}, std::pair{"True", false}, std::pair{"", false}}) {
        writeIni("standin.Hold", "Splash Screen=" + toUtf8(file.u16string()) + "\r\nSplash Screen Shadow=" + text);
        fs::remove(flag);
        test::StartedProcess launcher(exe.wstring(), holdArguments());
        HWND splash = test::waitForProcessWindow(launcher.id(), L"SplashScreenWindow", 30000);
        ASSERT_NE(splash, nullptr) << text;
        EXPECT_EQ((GetClassLongPtrW(splash, GCL_STYLE) & CS_DROPSHADOW) != 0, shadow) << text;
        EXPECT_EQ(GetClassLongPtrW(splash, GCL_STYLE) & (CS_DBLCLKS | CS_SAVEBITS), 0u + (CS_DBLCLKS | CS_SAVEBITS));
    }
}

TEST_F(SplashWindow, PictureLargerThanTheScreenHangsOverEveryEdge) {
    const int screenW = GetSystemMetrics(SM_CXSCREEN), screenH = GetSystemMetrics(SM_CYSCREEN);
    const int width = screenW + 721, height = screenH + 177; // odd differences: truncation toward zero
    writeIni("standin.Hold", "Splash Screen=" + toUtf8(picture(width, height).u16string()));
    test::StartedProcess launcher(exe.wstring(), holdArguments());
    HWND splash = test::waitForProcessWindow(launcher.id(), L"SplashScreenWindow", 30000);
    ASSERT_NE(splash, nullptr);
    RECT rect = windowRect(splash);
    EXPECT_EQ(rect.left, -360);
    EXPECT_EQ(rect.top, -88);
    EXPECT_EQ(rect.right - rect.left, width);
    EXPECT_EQ(rect.bottom - rect.top, height);
    Sleep(300);
    EXPECT_FALSE(test::saveScreenshot("splash-larger-than-screen").empty());
    test::writeBytes(flag, "");
}

// Pictures nothing can decode: a window of no size at the centre, no message,
// and Java starts as usual.
TEST_F(SplashWindow, UndecodablePictureShowsNothingAndJavaRuns) {
    std::string bitmap;
    {
        picture(40, 30);
        bitmap = test::readBytes(folder.path() / "splash.bmp");
    }
    const std::pair<const char*, std::string> files[] = {
        {"missing", ""}, {"empty", ""}, {"text", "this is no picture\n"}, {"truncated", bitmap.substr(0, 40)}};
    for (const auto& [name, bytes] : files) {
        fs::path file = folder.path() / (std::string(name) + ".png");
        if (std::string(name) != "missing") test::writeBytes(file, bytes);
        writeIni("standin.Hold", "Splash Screen=" + toUtf8(file.u16string()));
        fs::remove(flag);
        fs::remove(tracePath);
        test::StartedProcess launcher(exe.wstring(), holdArguments());
        HWND splash = test::waitForProcessWindow(launcher.id(), L"SplashScreenWindow", 30000);
        ASSERT_NE(splash, nullptr) << name;
        RECT rect = windowRect(splash);
        EXPECT_EQ(rect.right - rect.left, 0) << name;
        EXPECT_EQ(rect.bottom - rect.top, 0) << name;
        EXPECT_EQ(rect.left, GetSystemMetrics(SM_CXSCREEN) / 2) << name;
        for (int i = 0; i < 200 && !traceHas("main [" + toUtf8(flag.u16string()) + "]"); ++i) Sleep(50);
        EXPECT_TRUE(traceHas("main [" + toUtf8(flag.u16string()) + "]")) << name;
        EXPECT_EQ(test::waitForProcessWindow(launcher.id(), L"#32770", 1), nullptr) << name;
        test::writeBytes(flag, "");
    }
}

// A missing main class is reported while the splash shows: the box belongs
// to the splash window, and without a splash to no window. The runtime takes
// its time to start, as a real one does, so the splash is up by then. A
// runtime whose launcher helper ends the VM itself (as real ones do) gets
// the same box, and the launch ends with the helper's code.
TEST_F(SplashWindow, MessageBoxesAreOwnedByTheSplashUnlessNoSplash) {
    for (bool helperExits : {false, true}) {
        writeIni("standin.Missing", "Splash Screen=" + toUtf8(picture(120, 90).u16string()),
                 std::string("-Dstandin.createDelay=1500") + (helperExits ? " -Dstandin.helperExits=true" : ""));
        for (const wchar_t* arguments : {L"", L"-nosplash", L"/nosplash"}) {
            test::StartedProcess launcher(exe.wstring(), arguments);
            HWND box = test::waitForProcessWindow(launcher.id(), L"#32770", 30000);
            ASSERT_NE(box, nullptr) << arguments;
            HWND splash = test::waitForProcessWindow(launcher.id(), L"SplashScreenWindow", 1);
            HWND owner = GetWindow(box, GW_OWNER);
            bool named = false;
            for (const test::ChildWindow& child : test::childWindows(box)) {
                named = named || child.text.find(L"Could not find the main class standin/Missing.") == 0;
            }
            EXPECT_TRUE(named) << arguments;
            if (*arguments) {
                EXPECT_EQ(splash, nullptr) << arguments;
                EXPECT_EQ(owner, nullptr) << arguments;
            } else {
                ASSERT_NE(splash, nullptr);
                EXPECT_EQ(owner, splash);
                if (!helperExits) {
                    EXPECT_FALSE(test::saveScreenshot("splash-owns-message-box").empty());
                }
            }
            PostMessageW(box, WM_COMMAND, IDOK, 0);
            EXPECT_EQ(static_cast<int>(launcher.waitForExit(30000)), helperExits ? 1 : -1) << arguments;
        }
    }
}

// The runtime fails to create its VM only after a while: the splash came
// up in the meantime, and the failure's box belongs to it.
TEST_F(SplashWindow, VmCreationFailureShownAfterTheSplashCameUpIsOwnedByIt) {
    writeIni("standin.Echo", "Splash Screen=" + toUtf8(picture(120, 90).u16string()), "-Dstandin.createDelay=3000",
             "create-fails");
    test::StartedProcess launcher(exe.wstring(), L"");
    HWND box = test::waitForProcessWindow(launcher.id(), L"#32770", 30000);
    ASSERT_NE(box, nullptr);
    HWND splash = test::waitForProcessWindow(launcher.id(), L"SplashScreenWindow", 1);
    ASSERT_NE(splash, nullptr);
    EXPECT_EQ(GetWindow(box, GW_OWNER), splash);
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(static_cast<int>(launcher.waitForExit(30000)), -1);
}

} // namespace
} // namespace launcher
