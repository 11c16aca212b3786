#pragma once
// A probe that finds the launcher's windows as a person would see them,
// reads their texts and presses their buttons.

#include <windows.h>

#include <string>
#include <vector>

namespace launcher::test {

struct ChildWindow {
    HWND handle;
    std::wstring className;
    std::wstring text;
    int id;
    LONG style;
};

// The first visible top-level window of the given class that belongs to the
// process, other than except (say a dialog whose message box is awaited),
// waiting up to timeoutMs for it to appear; null when none came.
HWND waitForProcessWindow(DWORD processId, const wchar_t* className, DWORD timeoutMs, HWND except = nullptr);
std::wstring windowText(HWND window);
std::vector<ChildWindow> childWindows(HWND parent);
// What a window shows on the screen, row by row.
std::vector<COLORREF> screenPixels(HWND window);
// An icon drawn at the window's size on the window's background (the colour
// of its top-left pixel on the screen), row by row.
std::vector<COLORREF> iconAsShownBy(HWND window, HICON icon);

// The rights a started program runs with. A user's programs run without
// administrator rights, and the tests start them so unless a test is about
// an elevated start ("Run as administrator"). Wine runs every program
// elevated; the unelevated half of its split token gives the normal case.
enum class Rights { User, Administrator };
// Whether a program can be started with administrator rights from here.
bool canStartElevated();
// The desktop user's token (the unelevated half of this process's split
// token) as a primary token, or null when this process runs as that user
// already. Kept for the whole run; never closed.
HANDLE desktopUserToken();

// A started process that is ended when the object goes.
class StartedProcess {
public:
    StartedProcess(const std::wstring& exe, const std::wstring& arguments, Rights rights = Rights::User);
    ~StartedProcess();
    StartedProcess(const StartedProcess&) = delete;
    StartedProcess& operator=(const StartedProcess&) = delete;

    bool started() const { return info_.hProcess != nullptr; }
    DWORD id() const { return info_.dwProcessId; }
    // The exit code, or STILL_ACTIVE when it did not end in time.
    DWORD waitForExit(DWORD timeoutMs);

private:
    PROCESS_INFORMATION info_{};
};

} // namespace launcher::test
