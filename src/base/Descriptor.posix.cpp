#include "base/Descriptor.posix.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>

namespace launcher {

int readWholeFile(const std::string& path, std::string& bytes, mode_t* mode) {
    UniqueDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd) return errno;
    struct stat status{};
    if (fstat(fd.get(), &status) != 0) return errno;
    if (mode) *mode = status.st_mode;
    bytes.clear();
    // Files under /proc report size 0 and are read until they end all the same.
    if (status.st_size > 0) bytes.reserve(static_cast<size_t>(status.st_size));
    return readWholeDescriptor(fd.get(), bytes);
}

int readWholeDescriptor(int fd, std::string& bytes) {
    char chunk[65536];
    while (true) {
        ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n == 0) return 0;
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        bytes.append(chunk, static_cast<size_t>(n));
    }
}

} // namespace launcher
