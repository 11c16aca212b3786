#include "base/ModulePath.h"
#include "base/Wide.win32.h"

#include <windows.h>

namespace launcher {

namespace {
// The longest path the wide functions handle; a buffer beyond it cannot be
// needed.
constexpr size_t kLongestModulePath = 32768;
} // namespace

uint32_t readModulePath(std::u16string& path) {
    std::u16string buffer(MAX_PATH, u'\0');
    for (;;) {
        SetLastError(ERROR_SUCCESS);
        DWORD size = static_cast<DWORD>(buffer.size());
        DWORD length = GetModuleFileNameW(nullptr, wide(buffer), size);
        if (length == 0) {
            DWORD error = GetLastError();
            return error != ERROR_SUCCESS ? error : ERROR_INVALID_FUNCTION;
        }
        // A path that fills the buffer may have been cut: the call then
        // says ERROR_INSUFFICIENT_BUFFER, or on older systems nothing.
        if (length < size && GetLastError() != ERROR_INSUFFICIENT_BUFFER) {
            buffer.resize(length);
            path = std::move(buffer);
            return 0;
        }
        if (buffer.size() > kLongestModulePath) return ERROR_INSUFFICIENT_BUFFER;
        buffer.assign(buffer.size() * 2, u'\0');
    }
}

} // namespace launcher
