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

template <typename Function>
void lookUp(HMODULE library, const char* name, Function& function) {
    function = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

} // namespace

bool loadSplashLibrary(const std::u16string& libraryPath, const std::u16string& jvmPath, SplashEntryPoints& entries) {
    addFolderOf(libraryPath);
    addFolderOf(jvmPath);
    // Its dependencies come from the application and system folders and the
    // two added ones. Never freed: its splash runs on until SplashClose.
    HMODULE library = LoadLibraryExW(wide(libraryPath), nullptr, LOAD_LIBRARY_SEARCH_DEFAULT_DIRS);
    if (!library) return false;
    lookUp(library, "SplashInit", entries.init);
    lookUp(library, "SplashLoadFile", entries.loadFile);
    lookUp(library, "SplashSetFileJarName", entries.setFileJarName);
    lookUp(library, "SplashClose", entries.close);
    return true;
}

} // namespace launcher
