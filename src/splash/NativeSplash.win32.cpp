#include "splash/NativeSplash.h"
#include "base/PathText.h"
#include "base/Wide.win32.h"

#include <windows.h>

namespace launcher {

const char16_t* const kSplashLibraryName = u"splashscreen.dll";

namespace {

void addFolderOf(const std::u16string& path) {
    if (path.find(u'\\') == std::u16string::npos) return;
    std::u16string folder = folderOf(path);
    // The directories stay added: the library may load more of its own later.
    AddDllDirectory(wide(folder));
}

} // namespace

void* openSplashLibrary(const std::u16string& libraryPath, const std::u16string& jvmPath) {
    addFolderOf(libraryPath);
    addFolderOf(jvmPath);
    // Its dependencies come from its own folder, the two added ones and the
    // system folder, never from the executable's folder. Never freed: its
    // splash runs on until SplashClose.
    return LoadLibraryExW(wide(libraryPath), nullptr,
                          LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_USER_DIRS | LOAD_LIBRARY_SEARCH_SYSTEM32);
}

void* splashLibraryExport(void* library, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}

} // namespace launcher
