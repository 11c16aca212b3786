// launcher.exe, copied beside an INI as a vendor ships it, shows a broken
// configuration in an error box; the probe reads the box as a person would,
// presses OK, and the launcher ends with -1.

#include "base/ModulePath.h"
#include "base/PathText.h"
#include "probe/StandinProbe.h"
#include "support/TestSupport.h"
#include "support/WindowProbe.win32.h"

#include <gtest/gtest.h>

namespace launcher {
namespace {

namespace fs = std::filesystem;

const test::ChildWindow* findChild(const std::vector<test::ChildWindow>& children, const wchar_t* className,
                                   bool (*accept)(const test::ChildWindow&)) {
    for (const test::ChildWindow& child : children) {
        if (child.className == className && accept(child)) return &child;
    }
    return nullptr;
}

TEST(ShippedLauncher, IniWithoutMainClassShowsAnErrorBoxAndExitsWithMinusOne) {
    test::TempFolder folder;
    fs::path exe = folder.path() / "viewer.exe";
    fs::copy_file(test::builtLauncher(), exe);
    test::writeBytes(folder.path() / "viewer.ini", "[Java Runtime Environment]\r\nMinimum Version=1.8\r\n");

    test::StartedProcess launcher(exe.wstring(), L"one \"two three\"");
    ASSERT_TRUE(launcher.started());
    HWND box = test::waitForProcessWindow(launcher.id(), L"#32770", 30000);
    ASSERT_NE(box, nullptr) << "no message box appeared";

    // The system's default caption, the message text, the error icon, OK.
    EXPECT_EQ(test::windowText(box), L"Error");
    std::vector<test::ChildWindow> children = test::childWindows(box);
    const test::ChildWindow* text = findChild(children, L"Static", [](const test::ChildWindow& c) {
        return c.text == L"Main class was not specified in INI file.";
    });
    EXPECT_NE(text, nullptr);
    const test::ChildWindow* icon = findChild(children, L"Static", [](const test::ChildWindow& c) {
        return (c.style & SS_TYPEMASK) == SS_ICON;
    });
    ASSERT_NE(icon, nullptr);
    // Icon handles belong to the other process: compare what the screen
    // shows with the system's error icon drawn the same way.
    // The box may be on the screen a moment before its icon is painted.
    std::vector<COLORREF> shown, error;
    for (int attempt = 0; attempt < 60 && (shown.empty() || shown != error); ++attempt) {
        if (attempt > 0) Sleep(50);
        shown = test::screenPixels(icon->handle);
        error = test::iconAsShownBy(icon->handle, LoadIconW(nullptr, IDI_ERROR));
    }
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(shown, error);
    EXPECT_NE(shown, test::iconAsShownBy(icon->handle, LoadIconW(nullptr, IDI_WARNING)));
    EXPECT_NE(shown, test::iconAsShownBy(icon->handle, LoadIconW(nullptr, IDI_INFORMATION)));
    const test::ChildWindow* ok = findChild(children, L"Button", [](const test::ChildWindow& c) {
        return c.id == IDOK;
    });
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(ok->text, L"OK");
    int buttons = 0;
    for (const test::ChildWindow& c : children) buttons += c.className == L"Button";
    EXPECT_EQ(buttons, 1);

    PostMessageW(box, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(launcher.waitForExit(30000), static_cast<DWORD>(-1));
}

} // namespace
} // namespace launcher
