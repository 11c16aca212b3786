#include "jvm/RuntimeOutput.h"

#include <windows.h>

namespace launcher {

namespace {

using WriteFunction = size_t(__cdecl*)(const void*, size_t, size_t, FILE*);

// The runtimes that record a cache are built with the universal C runtime:
// the FILE they hand over is that library's, never the launcher's own.
WriteFunction runtimeWrite() {
    static const WriteFunction write = [] {
        HMODULE library = GetModuleHandleW(L"ucrtbase.dll");
        return library ? reinterpret_cast<WriteFunction>(reinterpret_cast<void*>(GetProcAddress(library, "fwrite")))
                       : nullptr;
    }();
    return write;
}

} // namespace

bool runtimeStreamsReachable() { return runtimeWrite() != nullptr; }

void writeRuntimeStream(FILE* stream, std::string_view text) {
    if (WriteFunction write = runtimeWrite()) write(text.data(), 1, text.size(), stream);
}

} // namespace launcher
