// main throws and "Failure Check" is on: launcher.exe shows the stack trace
// in the exception dialog. Ignore lets the launch end normally; Stop, Escape
// and the close box end the application with -1. The dialog grows with its
// buttons in the corner and never shrinks below its first size.

#include "probe/StandinProbe.h"
#include "support/DialogProbe.win32.h"
#include "support/Screenshot.win32.h"
#include "support/TestSupport.h"
#include "support/WindowProbe.win32.h"
#include "ui/DialogIds.h"

#include <gtest/gtest.h>

namespace launcher {
namespace {

namespace fs = std::filesystem;

struct Answer {
    const char* name;
    void (*give)(HWND dialog);
    DWORD exitCode;
};

void PrintTo(const Answer& a, std::ostream* out) { *out << a.name; }

class ExceptionDialog : public ::testing::Test {
protected:
    test::TempFolder folder;
    fs::path exe = folder.path() / "viewer.exe";
    test::EnvironmentOverride noTrace{u"STANDIN_TRACE", std::nullopt};

    void SetUp() override {
        fs::copy_file(test::builtProgramFolder() / "launcher.exe", exe);
        test::writeBytes(folder.path() / "app.jar", "PK");
        test::writeText(folder.path() / "viewer.ini",
                        u"[Java Runtime Environment]\nMain Class=standin.Throw\nJRE Path=" +
                            test::standinHome("standard").u16string() +
                            u"\n[Class Path]\nClass Path=app.jar\n[Application]\nFailure Check=Yes\n");
    }
};

class ExceptionDialogAnswer : public ExceptionDialog, public ::testing::WithParamInterface<Answer> {};

TEST_P(ExceptionDialogAnswer, EndsTheLaunchAsChosen) {
    test::StartedProcess launcher(exe.wstring(), L"");
    ASSERT_TRUE(launcher.started());
    HWND dialog = test::waitForProcessWindow(launcher.id(), L"#32770", 30000);
    ASSERT_NE(dialog, nullptr) << "no dialog appeared";
    EXPECT_EQ(test::windowText(dialog), L"Java Exception");
    HWND trace = test::dialogControl(dialog, dialog::kTraceEdit);
    EXPECT_NE(test::controlText(trace).find(L"standin.Failure: thrown by the stand-in"), std::wstring::npos)
        << test::controlText(trace).c_str();
    EXPECT_TRUE(GetWindowLongPtrW(trace, GWL_STYLE) & ES_READONLY);
    EXPECT_EQ(test::windowText(test::dialogControl(dialog, IDOK)), L"Ignore");
    EXPECT_EQ(test::windowText(test::dialogControl(dialog, IDCANCEL)), L"Stop");
    EXPECT_NE(test::dialogControl(dialog, dialog::kSizeGrip), nullptr);
    GetParam().give(dialog);
    EXPECT_EQ(launcher.waitForExit(30000), GetParam().exitCode);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, ExceptionDialogAnswer,
    ::testing::Values(
        Answer{"Ignore", [](HWND d) { PostMessageW(test::dialogControl(d, IDOK), BM_CLICK, 0, 0); }, 0},
        Answer{"Stop", [](HWND d) { PostMessageW(test::dialogControl(d, IDCANCEL), BM_CLICK, 0, 0); },
               static_cast<DWORD>(-1)},
        Answer{"Escape",
               [](HWND d) {
                   // To the focused button, through the dialog's own key handling.
                   PostMessageW(test::dialogControl(d, IDOK), WM_KEYDOWN, VK_ESCAPE, 0);
               },
               static_cast<DWORD>(-1)},
        Answer{"CloseBox", [](HWND d) { PostMessageW(d, WM_SYSCOMMAND, SC_CLOSE, 0); }, static_cast<DWORD>(-1)}),
    [](const ::testing::TestParamInfo<Answer>& info) { return std::string(info.param.name); });

TEST_F(ExceptionDialog, GrowsWithButtonsInTheCornerAndNeverShrinks) {
    test::StartedProcess launcher(exe.wstring(), L"");
    HWND dialog = test::waitForProcessWindow(launcher.id(), L"#32770", 30000);
    ASSERT_NE(dialog, nullptr);
    // The dialog is on the screen a moment before its controls are painted.
    for (int id : {IDCANCEL, dialog::kStopWarning, dialog::kTraceEdit}) {
        HWND control = test::dialogControl(dialog, id);
        test::waitUntil([&] { return test::showsColour(control, GetSysColor(COLOR_BTNFACE)); }, 3000);
    }
    test::saveScreenshot("exception-dialog");
    RECT first{};
    GetWindowRect(dialog, &first);
    EXPECT_NEAR((first.left + first.right) / 2, GetSystemMetrics(SM_CXSCREEN) / 2, 2);
    RECT client{};
    GetClientRect(dialog, &client);
    HWND stop = test::dialogControl(dialog, IDCANCEL);
    HWND trace = test::dialogControl(dialog, dialog::kTraceEdit);
    HWND icon = test::dialogControl(dialog, dialog::kErrorIcon);
    HWND warning = test::dialogControl(dialog, dialog::kStopWarning);
    const RECT stopBefore = test::rectInParent(stop), traceBefore = test::rectInParent(trace);
    const RECT iconBefore = test::rectInParent(icon), warningBefore = test::rectInParent(warning);

    const int dx = 200, dy = 150;
    SetWindowPos(dialog, nullptr, 0, 0, first.right - first.left + dx, first.bottom - first.top + dy,
                 SWP_NOMOVE | SWP_NOZORDER);
    ASSERT_TRUE(test::waitUntil([&] { return test::rectInParent(stop).right == stopBefore.right + dx; }));
    RECT grown{};
    GetClientRect(dialog, &grown);
    EXPECT_EQ(grown.right - client.right, dx);
    const RECT stopAfter = test::rectInParent(stop), traceAfter = test::rectInParent(trace);
    // Buttons keep their distance to the bottom-right corner and their size.
    EXPECT_EQ(grown.right - stopAfter.right, client.right - stopBefore.right);
    EXPECT_EQ(grown.bottom - stopAfter.bottom, client.bottom - stopBefore.bottom);
    EXPECT_EQ(stopAfter.right - stopAfter.left, stopBefore.right - stopBefore.left);
    // The trace grows both ways; the warning widens and moves down; the icon stays.
    EXPECT_EQ(traceAfter.right - traceAfter.left, traceBefore.right - traceBefore.left + dx);
    EXPECT_EQ(traceAfter.bottom - traceAfter.top, traceBefore.bottom - traceBefore.top + dy);
    EXPECT_EQ(traceAfter.top, traceBefore.top);
    const RECT warningAfter = test::rectInParent(warning);
    EXPECT_EQ(warningAfter.top, warningBefore.top + dy);
    EXPECT_EQ(warningAfter.right - warningAfter.left, warningBefore.right - warningBefore.left + dx);
    const RECT iconAfter = test::rectInParent(icon);
    EXPECT_TRUE(EqualRect(&iconBefore, &iconAfter));
    // The picture shows the moved controls only once the dialog has painted
    // them; painting now waits for the dialog's thread to do it.
    RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    test::saveScreenshot("exception-dialog-grown");

    // Smaller than at first is not possible.
    SetWindowPos(dialog, nullptr, 0, 0, 100, 80, SWP_NOMOVE | SWP_NOZORDER);
    Sleep(200);
    RECT shrunk{};
    GetWindowRect(dialog, &shrunk);
    EXPECT_EQ(shrunk.right - shrunk.left, first.right - first.left);
    EXPECT_EQ(shrunk.bottom - shrunk.top, first.bottom - first.top);
    EXPECT_EQ(test::rectInParent(stop).right, stopBefore.right);

    PostMessageW(test::dialogControl(dialog, IDOK), BM_CLICK, 0, 0);
    EXPECT_EQ(launcher.waitForExit(30000), 0u);
}

} // namespace
} // namespace launcher
