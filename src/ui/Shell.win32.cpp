#include "ui/Shell.win32.h"
#include "base/SystemLibrary.win32.h"

#include <shellapi.h>

namespace launcher {

namespace {

const SystemLibrary& shell32() {
    static const SystemLibrary library(L"shell32.dll");
    return library;
}

const SystemLibrary& ole32() {
    static const SystemLibrary library(L"ole32.dll");
    return library;
}

const SystemLibrary& comctl32() {
    static const SystemLibrary library(L"comctl32.dll");
    return library;
}

} // namespace

namespace shell {

HINSTANCE ShellExecuteW(HWND owner, const wchar_t* verb, const wchar_t* file, const wchar_t* parameters,
                        const wchar_t* folder, int show) {
    static auto* const function = shell32().find<decltype(::ShellExecuteW)>("ShellExecuteW");
    // Values up to 32 are the call's own error codes.
    if (!function) return reinterpret_cast<HINSTANCE>(static_cast<INT_PTR>(SE_ERR_DLLNOTFOUND));
    return function(owner, verb, file, parameters, folder, show);
}

PIDLIST_ABSOLUTE SHBrowseForFolderW(BROWSEINFOW* info) {
    static auto* const function = shell32().find<decltype(::SHBrowseForFolderW)>("SHBrowseForFolderW");
    return function ? function(info) : nullptr;
}

BOOL SHGetPathFromIDListEx(PCIDLIST_ABSOLUTE item, wchar_t* path, DWORD size, GPFIDL_FLAGS flags) {
    static auto* const function = shell32().find<decltype(::SHGetPathFromIDListEx)>("SHGetPathFromIDListEx");
    return function ? function(item, path, size, flags) : FALSE;
}

} // namespace shell

namespace com {

HRESULT CoInitializeEx(void* reserved, DWORD model) {
    static auto* const function = ole32().find<decltype(::CoInitializeEx)>("CoInitializeEx");
    return function ? function(reserved, model) : E_FAIL;
}

void CoUninitialize() {
    static auto* const function = ole32().find<decltype(::CoUninitialize)>("CoUninitialize");
    if (function) function();
}

void CoTaskMemFree(void* memory) {
    static auto* const function = ole32().find<decltype(::CoTaskMemFree)>("CoTaskMemFree");
    if (function) function(memory);
}

} // namespace com

namespace comctl {

BOOL SetWindowSubclass(HWND window, SUBCLASSPROC procedure, UINT_PTR id, DWORD_PTR data) {
    static auto* const function = comctl32().find<decltype(::SetWindowSubclass)>("SetWindowSubclass");
    return function ? function(window, procedure, id, data) : FALSE;
}

BOOL RemoveWindowSubclass(HWND window, SUBCLASSPROC procedure, UINT_PTR id) {
    static auto* const function = comctl32().find<decltype(::RemoveWindowSubclass)>("RemoveWindowSubclass");
    return function ? function(window, procedure, id) : FALSE;
}

LRESULT DefSubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    static auto* const function = comctl32().find<decltype(::DefSubclassProc)>("DefSubclassProc");
    // Only reached through a subclass, which needs the library; the window's
    // own procedure is the safe answer all the same.
    return function ? function(window, message, wParam, lParam) : DefWindowProcW(window, message, wParam, lParam);
}

} // namespace comctl

} // namespace launcher
