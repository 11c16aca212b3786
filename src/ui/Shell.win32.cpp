#include "ui/Shell.win32.h"
#include "base/SystemLibrary.win32.h"

#include <shellapi.h>

namespace launcher {

namespace {

constexpr wchar_t kShell32[] = L"shell32.dll";
constexpr wchar_t kOle32[] = L"ole32.dll";
constexpr wchar_t kComctl32[] = L"comctl32.dll";
using Shell32 = LazySystemLibrary<kShell32>;
using Ole32 = LazySystemLibrary<kOle32>;
using Comctl32 = LazySystemLibrary<kComctl32>;

} // namespace

namespace shell {

HINSTANCE ShellExecuteW(HWND owner, const wchar_t* verb, const wchar_t* file, const wchar_t* parameters,
                        const wchar_t* folder, int show) {
    auto* const function = Shell32::bind<decltype(::ShellExecuteW), "ShellExecuteW">();
    // Values up to 32 are the call's own error codes.
    if (!function) return reinterpret_cast<HINSTANCE>(static_cast<INT_PTR>(SE_ERR_DLLNOTFOUND));
    return function(owner, verb, file, parameters, folder, show);
}

PIDLIST_ABSOLUTE SHBrowseForFolderW(BROWSEINFOW* info) {
    auto* const function = Shell32::bind<decltype(::SHBrowseForFolderW), "SHBrowseForFolderW">();
    return function ? function(info) : nullptr;
}

BOOL SHGetPathFromIDListEx(PCIDLIST_ABSOLUTE item, wchar_t* path, DWORD size, GPFIDL_FLAGS flags) {
    auto* const function = Shell32::bind<decltype(::SHGetPathFromIDListEx), "SHGetPathFromIDListEx">();
    return function ? function(item, path, size, flags) : FALSE;
}

} // namespace shell

namespace com {

HRESULT CoInitializeEx(void* reserved, DWORD model) {
    auto* const function = Ole32::bind<decltype(::CoInitializeEx), "CoInitializeEx">();
    return function ? function(reserved, model) : E_FAIL;
}

void CoUninitialize() {
    auto* const function = Ole32::bind<decltype(::CoUninitialize), "CoUninitialize">();
    if (function) function();
}

void CoTaskMemFree(void* memory) {
    auto* const function = Ole32::bind<decltype(::CoTaskMemFree), "CoTaskMemFree">();
    if (function) function(memory);
}

} // namespace com

namespace comctl {

BOOL SetWindowSubclass(HWND window, SUBCLASSPROC procedure, UINT_PTR id, DWORD_PTR data) {
    auto* const function = Comctl32::bind<decltype(::SetWindowSubclass), "SetWindowSubclass">();
    return function ? function(window, procedure, id, data) : FALSE;
}

BOOL RemoveWindowSubclass(HWND window, SUBCLASSPROC procedure, UINT_PTR id) {
    auto* const function = Comctl32::bind<decltype(::RemoveWindowSubclass), "RemoveWindowSubclass">();
    return function ? function(window, procedure, id) : FALSE;
}

LRESULT DefSubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* const function = Comctl32::bind<decltype(::DefSubclassProc), "DefSubclassProc">();
    // Only reached through a subclass, which needs the library; the window's
    // own procedure is the safe answer all the same.
    return function ? function(window, message, wParam, lParam) : DefWindowProcW(window, message, wParam, lParam);
}

BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* classes) {
    auto* const function = Comctl32::bind<decltype(::InitCommonControlsEx), "InitCommonControlsEx">();
    return function ? function(classes) : FALSE;
}

} // namespace comctl

} // namespace launcher
