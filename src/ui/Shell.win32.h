#pragma once
// The shell, COM and common-control calls of the dialogs, with each library
// loaded on first use. A call into a library that cannot be loaded fails the
// way the system call reports failure, so the dialog shows the message it
// shows for that failure.

#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

namespace launcher::shell {

HINSTANCE ShellExecuteW(HWND owner, const wchar_t* verb, const wchar_t* file, const wchar_t* parameters,
                        const wchar_t* folder, int show);
PIDLIST_ABSOLUTE SHBrowseForFolderW(BROWSEINFOW* info);
BOOL SHGetPathFromIDListEx(PCIDLIST_ABSOLUTE item, wchar_t* path, DWORD size, GPFIDL_FLAGS flags);

} // namespace launcher::shell

namespace launcher::com {

HRESULT CoInitializeEx(void* reserved, DWORD model);
void CoUninitialize();
void CoTaskMemFree(void* memory);

} // namespace launcher::com

namespace launcher::comctl {

BOOL SetWindowSubclass(HWND window, SUBCLASSPROC procedure, UINT_PTR id, DWORD_PTR data);
BOOL RemoveWindowSubclass(HWND window, SUBCLASSPROC procedure, UINT_PTR id);
LRESULT DefSubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Registers the window classes of the controls named; false when the
// library or the call failed (windows of those classes cannot be made).
BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* classes);

} // namespace launcher::comctl
