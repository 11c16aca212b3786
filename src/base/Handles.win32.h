#pragma once
// Owners of the Win32 handles the launcher uses.

#include "base/UniqueResource.h"

#include <windows.h>

namespace launcher {

namespace detail {
inline void closeHandle(HANDLE h) { CloseHandle(h); }
inline void closeFind(HANDLE h) { FindClose(h); }
inline void closeKey(HKEY k) { RegCloseKey(k); }
inline void freeLibrary(HMODULE m) { FreeLibrary(m); }
inline void unmapView(void* p) { UnmapViewOfFile(p); }

// CreateFileW and FindFirstFileW report failure with INVALID_HANDLE_VALUE.
template <void (*Close)(HANDLE)>
struct InvalidEmptyTraits {
    using Value = HANDLE;
    static Value empty() { return INVALID_HANDLE_VALUE; }
    static void close(Value v) { Close(v); }
};
} // namespace detail

using UniqueHandle = UniqueResource<NullEmptyTraits<HANDLE, detail::closeHandle>>;
using UniqueFileHandle = UniqueResource<detail::InvalidEmptyTraits<detail::closeHandle>>;
using UniqueFindHandle = UniqueResource<detail::InvalidEmptyTraits<detail::closeFind>>;
using UniqueKey = UniqueResource<NullEmptyTraits<HKEY, detail::closeKey>>;
using UniqueLibrary = UniqueResource<NullEmptyTraits<HMODULE, detail::freeLibrary>>;
using UniqueView = UniqueResource<NullEmptyTraits<void*, detail::unmapView>>;

} // namespace launcher
