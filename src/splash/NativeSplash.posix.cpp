#include "splash/NativeSplash.h"
#include "base/Text.h"

#include <dlfcn.h>

namespace launcher {

const char16_t* const kSplashLibraryName = u"libsplashscreen.so";

namespace {

template <typename Function>
void lookUp(void* library, const char* name, Function& function) {
    function = reinterpret_cast<Function>(dlsym(library, name));
}

} // namespace

bool loadSplashLibrary(const std::u16string& libraryPath, const std::u16string& jvmPath, SplashEntryPoints& entries) {
    // The splash library needs libjvm.so, which lives in a folder that the
    // library's own search path does not name: with libjvm loaded first the
    // dependency is already there. The run phase loads the runtime library
    // the same way later and gets this same copy.
    if (!jvmPath.empty() && !dlopen(toNarrow(jvmPath).c_str(), RTLD_NOW | RTLD_GLOBAL)) return false;
    // Never closed: its splash runs on until SplashClose.
    void* library = dlopen(toNarrow(libraryPath).c_str(), RTLD_NOW | RTLD_GLOBAL);
    if (!library) return false;
    lookUp(library, "SplashInit", entries.init);
    lookUp(library, "SplashLoadFile", entries.loadFile);
    lookUp(library, "SplashSetFileJarName", entries.setFileJarName);
    lookUp(library, "SplashClose", entries.close);
    return true;
}

} // namespace launcher
