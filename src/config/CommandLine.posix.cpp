#include "config/CommandLine.h"
#include "base/Descriptor.posix.h"

#include <string>

namespace launcher {

// Linux hands a program its arguments already split, so they are taken as
// they are: no re-splitting at spaces, and empty arguments stay.
TextList readProcessArguments() {
    std::string bytes;
    readWholeFile("/proc/self/cmdline", bytes);
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
