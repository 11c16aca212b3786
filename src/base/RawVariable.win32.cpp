#include "base/RawVariable.h"
#include "base/Wide.win32.h"

#include <windows.h>

namespace launcher {

std::optional<std::u16string> getEnvironmentVariable(std::u16string_view name) {
    std::u16string key(name);
    std::u16string buffer;
    for (;;) {
        SetLastError(ERROR_SUCCESS);
        DWORD size = static_cast<DWORD>(buffer.size());
        DWORD length = GetEnvironmentVariableW(wide(key), size ? wide(buffer) : nullptr, size);
        if (length == 0) {
            // 0 is both "not set" and "set to nothing"; only the error
            // tells them apart.
            if (GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
            return std::u16string();
        }
        if (length < size) {
            buffer.resize(length);
            return buffer;
        }
        // Too small: length is the size needed, terminating zero included.
        // The loop also catches a value that grew between the two calls.
        buffer.assign(length, u'\0');
    }
}

} // namespace launcher
