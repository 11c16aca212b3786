#include "install/Zlib.h"

#include "base/LibrarySymbol.posix.h"
#include "base/Text.h"

#include <dlfcn.h>

namespace launcher {

namespace {

struct LoadedZlib {
    ZlibFunctions functions;
    bool complete = false;
    std::u16string error;
};

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
        result.complete = bindLibrarySymbol(library, "inflateInit2_", f.start) && bindLibrarySymbol(library, "inflate", f.step) &&
                          bindLibrarySymbol(library, "inflateEnd", f.end) && bindLibrarySymbol(library, "inflateReset", f.reset) &&
                          bindLibrarySymbol(library, "crc32", f.crc);
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
