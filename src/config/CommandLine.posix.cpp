#include "config/CommandLine.h"
#include "base/UniqueResource.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <string>

namespace launcher {

namespace {

struct DescriptorTraits {
    using Value = int;
    static Value empty() { return -1; }
    static void close(Value fd) { ::close(fd); }
};
using UniqueDescriptor = UniqueResource<DescriptorTraits>;

// The whole of /proc/self/cmdline, however long the arguments are.
std::string readCmdlineBytes() {
    std::string bytes;
    UniqueDescriptor fd(::open("/proc/self/cmdline", O_RDONLY | O_CLOEXEC));
    if (!fd) return bytes;
    char chunk[4096];
    while (true) {
        ssize_t count = ::read(fd.get(), chunk, sizeof chunk);
        if (count < 0 && errno == EINTR) continue;
        if (count <= 0) break;
        bytes.append(chunk, static_cast<size_t>(count));
    }
    return bytes;
}

} // namespace

// Linux hands a program its arguments already split, so they are taken as
// they are: no re-splitting at spaces, and empty arguments stay.
TextList readProcessArguments() {
    std::string bytes = readCmdlineBytes();
    TextList arguments;
    size_t p = 0;
    bool first = true;
    while (p < bytes.size()) {
        size_t end = bytes.find('\0', p);
        if (end == std::string::npos) end = bytes.size();
        if (!first) arguments.push_back(fromUtf8(std::string_view(bytes).substr(p, end - p)));
        first = false;
        p = end + 1;
    }
    return arguments;
}

} // namespace launcher
