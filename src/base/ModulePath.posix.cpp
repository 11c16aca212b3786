#include "base/ModulePath.h"
#include "base/Text.h"

#include <cerrno>
#include <unistd.h>

namespace launcher {

uint32_t readModulePath(std::u16string& path) {
    std::string buffer(256, '\0');
    for (;;) {
        ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (length < 0) return static_cast<uint32_t>(errno);
        // readlink cuts silently; a result that fills the buffer may be cut.
        if (static_cast<size_t>(length) < buffer.size()) {
            buffer.resize(static_cast<size_t>(length));
            path = fromNarrow(buffer);
            return 0;
        }
        buffer.assign(buffer.size() * 2, '\0');
    }
}

} // namespace launcher
