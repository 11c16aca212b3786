// window_rect wait CLASS [MS]: prints "WIDTHxHEIGHT+X+Y" of the first visible
// top-level window of the class once it has appeared (waiting up to MS
// milliseconds, 30000 by default), ready for ImageMagick's -crop; exit code
// 1 when none came.
// window_rect close CLASS: asks every visible window of the class to close.
// window_rect as-user EXE: runs EXE as the desktop user would start it (Wine
// runs every program as the elevated half of a split token; this takes the
// other half), waits for it and ends with its exit code.

#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

struct Search {
    const wchar_t* className;
    bool close;
    HWND found;
};

BOOL CALLBACK visit(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<Search*>(param);
    wchar_t name[256] = {};
    GetClassNameW(window, name, 256);
    if (!IsWindowVisible(window) || std::wcscmp(name, search->className) != 0) return TRUE;
    search->found = window;
    if (!search->close) return FALSE;
    PostMessageW(window, WM_CLOSE, 0, 0);
    return TRUE;
}

HWND find(const wchar_t* className, bool close) {
    Search search{className, close, nullptr};
    EnumWindows(visit, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The unelevated half of this process's split token as a primary token, or
// null when this process runs as a user already.
HANDLE userToken() {
    HANDLE own = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY | TOKEN_DUPLICATE, &own)) return nullptr;
    TOKEN_ELEVATION_TYPE type = TokenElevationTypeDefault;
    TOKEN_LINKED_TOKEN linked{};
    DWORD size = 0;
    HANDLE primary = nullptr;
    if (GetTokenInformation(own, TokenElevationType, &type, sizeof type, &size) && type == TokenElevationTypeFull &&
        GetTokenInformation(own, TokenLinkedToken, &linked, sizeof linked, &size)) {
        DuplicateTokenEx(linked.LinkedToken, TOKEN_ALL_ACCESS, nullptr, SecurityImpersonation, TokenPrimary, &primary);
        CloseHandle(linked.LinkedToken);
    }
    CloseHandle(own);
    return primary;
}

int runAsUser(const wchar_t* exe) {
    std::wstring commandLine = L"\"" + std::wstring(exe) + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    HANDLE token = userToken();
    const BOOL started = token ? CreateProcessAsUserW(token, exe, commandLine.data(), nullptr, nullptr, FALSE, 0,
                                                      nullptr, nullptr, &startup, &process)
                               : CreateProcessW(exe, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                                &startup, &process);
    if (token) CloseHandle(token);
    if (!started) return 1;
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return static_cast<int>(code);
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        std::fputs("usage: window_rect wait CLASS [MS] | window_rect close CLASS | window_rect as-user EXE\n", stderr);
        return 2;
    }
    const std::wstring command = argv[1];
    if (command == L"as-user") return runAsUser(argv[2]);
    if (command == L"close") return find(argv[2], true) ? 0 : 1;
    const DWORD timeout = argc > 3 ? static_cast<DWORD>(std::wcstoul(argv[3], nullptr, 10)) : 30000;
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < timeout) {
        if (HWND window = find(argv[2], false)) {
            // A window that just appeared may not be painted yet.
            Sleep(700);
            RECT rect{};
            GetWindowRect(window, &rect);
            std::printf("%ldx%ld+%ld+%ld\n", rect.right - rect.left, rect.bottom - rect.top, rect.left, rect.top);
            return 0;
        }
        Sleep(50);
    }
    return 1;
}
