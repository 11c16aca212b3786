#include "install/Zlib.h"

#include "base/Text.h"

#include <dlfcn.h>

namespace launcher {

namespace {

struct LoadedZlib {
    ZlibFunctions functions;
    bool complete = false;
    std::u16string error;
};

template <typename Function>
bool bindZlib(void* library, const char* name, Function& function) {
    function = reinterpret_cast<Function>(dlsym(library, name));
    return function != nullptr;
}

// Loaded once, on first use, for the process's life.
const LoadedZlib& loadedZlib() {
    static const LoadedZlib loaded = [] {
        LoadedZlib result;
        void* library = dlopen("libz.so.1", RTLD_NOW | RTLD_LOCAL);
        if (!library) {
            const char* error = dlerror();
            result.error = fromUtf8(error ? error : "libz.so.1 cannot be loaded");
            return result;
        }
        ZlibFunctions& f = result.functions;
        result.complete = bindZlib(library, "inflateInit2_", f.start) && bindZlib(library, "inflate", f.step) &&
                          bindZlib(library, "inflateEnd", f.end) && bindZlib(library, "inflateReset", f.reset) &&
                          bindZlib(library, "crc32", f.crc);
        if (!result.complete) result.error = u"libz.so.1 lacks the functions unpacking needs";
        return result;
    }();
    return loaded;
}

} // namespace

const ZlibFunctions* zlibFunctions() {
    const LoadedZlib& loaded = loadedZlib();
    return loaded.complete ? &loaded.functions : nullptr;
}

std::u16string zlibLoadError() {
    return loadedZlib().error;
}

} // namespace launcher
