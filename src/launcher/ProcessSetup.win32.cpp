#include "launcher/ProcessSetup.h"
#include "base/SystemLibrary.win32.h"

#include <windows.h>
#include <shobjidl.h>

#include <string>

namespace launcher {

namespace {

constexpr wchar_t kShell32[] = L"shell32.dll";
using Shell32 = LazySystemLibrary<kShell32>;

} // namespace

void useSystemDefaultLocale() {
    SetThreadLocale(GetSystemDefaultLCID());
}

long setAppUserModelId(std::u16string_view id) {
    // Loaded on use: a start without an identity maps no shell library.
    auto* const function =
        Shell32::bind<decltype(::SetCurrentProcessExplicitAppUserModelID), "SetCurrentProcessExplicitAppUserModelID">();
    if (!function) return static_cast<long>(HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND));
    const std::wstring text(id.begin(), id.end());
    return static_cast<long>(function(text.c_str()));
}

} // namespace launcher
