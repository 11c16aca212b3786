#include "base/SystemLibrary.win32.h"

#include <string>

namespace launcher {

namespace {

// The system folder's full path, for systems whose loader predates the
// search flags. The buffer grows to whatever the system reports.
std::wstring systemFolder() {
    std::wstring folder(MAX_PATH, L'\0');
    for (;;) {
        UINT length = GetSystemDirectoryW(folder.data(), static_cast<UINT>(folder.size()));
        if (length == 0) return {};
        if (length < folder.size()) {
            folder.resize(length);
            return folder;
        }
        folder.resize(length);
    }
}

} // namespace

HMODULE loadSystemLibrary(const wchar_t* name) {
    HMODULE module = LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    // Windows 7 without its loader update rejects the flag as an invalid
    // parameter; a full path then pins the system folder just as well.
    if (module || GetLastError() != ERROR_INVALID_PARAMETER) return module;
    std::wstring folder = systemFolder();
    if (folder.empty()) return nullptr;
    std::wstring path = folder + L"\\" + name;
    return LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

SystemLibrary::SystemLibrary(const wchar_t* name) : module_(loadSystemLibrary(name)) {}

SystemLibrary::Address SystemLibrary::address(const char* name) const {
    if (!module_) return nullptr;
    return reinterpret_cast<Address>(reinterpret_cast<void*>(GetProcAddress(module_.get(), name)));
}

} // namespace launcher
