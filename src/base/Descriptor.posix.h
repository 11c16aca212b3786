#pragma once
// Owner of a POSIX file descriptor, and reading a file whole.

#include "base/UniqueResource.h"

#include <string>
#include <sys/types.h>
#include <unistd.h>

namespace launcher {

struct DescriptorTraits {
    using Value = int;
    static Value empty() { return -1; }
    static void close(Value fd) { ::close(fd); }
};
using UniqueDescriptor = UniqueResource<DescriptorTraits>;

// Reads the whole file, however long, into bytes; returns 0 or the errno of
// the step that failed. mode, when given, receives the file's mode.
int readWholeFile(const std::string& path, std::string& bytes, mode_t* mode = nullptr);

// Reads from fd until its end, appending to bytes; returns 0 or the errno.
int readWholeDescriptor(int fd, std::string& bytes);

} // namespace launcher
