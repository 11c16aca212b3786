#include "splash/NativeSplash.h"
#include "base/Text.h"

#include <dlfcn.h>

namespace launcher {

const char16_t* const kSplashLibraryName = u"libsplashscreen.so";

void* openSplashLibrary(const std::u16string& libraryPath, const std::u16string& jvmPath) {
    // The splash library needs libjvm.so, which lives in a folder that the
    // library's own search path does not name: with libjvm loaded first the
    // dependency is already there. The run phase loads the runtime library
    // the same way later and gets this same copy.
    if (!jvmPath.empty() && !dlopen(toNarrow(jvmPath).c_str(), RTLD_NOW | RTLD_GLOBAL)) return nullptr;
    // Never closed: its splash runs on until SplashClose.
    return dlopen(toNarrow(libraryPath).c_str(), RTLD_NOW | RTLD_GLOBAL);
}

void* splashLibraryExport(void* library, const char* name) { return dlsym(library, name); }

} // namespace launcher
