#include "support/WindowProbe.win32.h"

namespace launcher::test {

namespace {

struct Search {
    DWORD processId;
    const wchar_t* className;
    HWND except;
    HWND found;
};

BOOL CALLBACK matchTopLevel(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<Search*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    wchar_t name[256] = {};
    GetClassNameW(window, name, 256);
    if (owner == search->processId && window != search->except && lstrcmpW(name, search->className) == 0 &&
        IsWindowVisible(window)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK collectChild(HWND window, LPARAM param) {
    auto* children = reinterpret_cast<std::vector<ChildWindow>*>(param);
    wchar_t name[256] = {};
    GetClassNameW(window, name, 256);
    children->push_back({window, name, windowText(window), GetDlgCtrlID(window),
                         static_cast<LONG>(GetWindowLongPtrW(window, GWL_STYLE))});
    return TRUE;
}

} // namespace

HWND waitForProcessWindow(DWORD processId, const wchar_t* className, DWORD timeoutMs, HWND except) {
    DWORD start = GetTickCount();
    while (GetTickCount() - start < timeoutMs) {
        Search search{processId, className, except, nullptr};
        EnumWindows(matchTopLevel, reinterpret_cast<LPARAM>(&search));
        if (search.found) return search.found;
        Sleep(50);
    }
    return nullptr;
}

std::wstring windowText(HWND window) {
    int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    int copied = GetWindowTextW(window, text.data(), length + 1);
    text.resize(static_cast<size_t>(copied > 0 ? copied : 0));
    return text;
}

std::vector<ChildWindow> childWindows(HWND parent) {
    std::vector<ChildWindow> children;
    EnumChildWindows(parent, collectChild, reinterpret_cast<LPARAM>(&children));
    return children;
}

namespace {

// A memory bitmap of the window's size: filled by fill, then read back.
template <typename Fill>
std::vector<COLORREF> drawnPixels(HWND window, Fill fill) {
    RECT rect{};
    GetWindowRect(window, &rect);
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    std::vector<COLORREF> pixels;
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(dc, bitmap);
    if (fill(dc, screen, rect, width, height)) {
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) pixels.push_back(GetPixel(dc, x, y));
        }
    }
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    return pixels;
}

} // namespace

std::vector<COLORREF> screenPixels(HWND window) {
    return drawnPixels(window, [](HDC dc, HDC screen, const RECT& rect, int width, int height) {
        return BitBlt(dc, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY) != 0;
    });
}

std::vector<COLORREF> iconAsShownBy(HWND window, HICON icon) {
    return drawnPixels(window, [icon](HDC dc, HDC screen, const RECT& rect, int width, int height) {
        HBRUSH background = CreateSolidBrush(GetPixel(screen, rect.left, rect.top));
        RECT all{0, 0, width, height};
        FillRect(dc, &all, background);
        DeleteObject(background);
        return DrawIconEx(dc, 0, 0, icon, width, height, 0, nullptr, DI_NORMAL) != 0;
    });
}

namespace {

bool elevatedWithTwin(HANDLE token) {
    TOKEN_ELEVATION_TYPE type = TokenElevationTypeDefault;
    DWORD size = 0;
    return GetTokenInformation(token, TokenElevationType, &type, sizeof type, &size) && type == TokenElevationTypeFull;
}

} // namespace

HANDLE desktopUserToken() {
    static HANDLE token = [] {
        HANDLE own = nullptr;
        if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY | TOKEN_DUPLICATE, &own)) return HANDLE(nullptr);
        HANDLE primary = nullptr;
        TOKEN_LINKED_TOKEN linked{};
        DWORD size = 0;
        if (elevatedWithTwin(own) && GetTokenInformation(own, TokenLinkedToken, &linked, sizeof linked, &size)) {
            DuplicateTokenEx(linked.LinkedToken, TOKEN_ALL_ACCESS, nullptr, SecurityImpersonation, TokenPrimary,
                             &primary);
            CloseHandle(linked.LinkedToken);
        }
        CloseHandle(own);
        return primary;
    }();
    return token;
}

bool canStartElevated() {
    HANDLE own = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &own)) return false;
    TOKEN_ELEVATION elevation{};
    DWORD size = 0;
    const bool elevated = GetTokenInformation(own, TokenElevation, &elevation, sizeof elevation, &size) &&
                          elevation.TokenIsElevated != 0;
    CloseHandle(own);
    return elevated;
}

StartedProcess::StartedProcess(const std::wstring& exe, const std::wstring& arguments, Rights rights) {
    std::wstring commandLine = L"\"" + exe + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    if (rights == Rights::Administrator && !canStartElevated()) return;
    HANDLE token = rights == Rights::User ? desktopUserToken() : nullptr;
    if (token && CreateProcessAsUserW(token, exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                      nullptr, &startup, &info_)) {
        return;
    }
    if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &info_)) {
        info_ = {};
    }
}

StartedProcess::~StartedProcess() {
    if (!info_.hProcess) return;
    if (WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(info_.hProcess, 99);
    CloseHandle(info_.hThread);
    CloseHandle(info_.hProcess);
}

DWORD StartedProcess::waitForExit(DWORD timeoutMs) {
    if (WaitForSingleObject(info_.hProcess, timeoutMs) != WAIT_OBJECT_0) return STILL_ACTIVE;
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(info_.hProcess, &code);
    return code;
}

} // namespace launcher::test
