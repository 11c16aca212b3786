#include "jre/Bitness.h"
#include "base/Descriptor.posix.h"
#include "base/Text.h"

#include <fcntl.h>

namespace launcher {

LibraryWidth libraryWidth(std::u16string_view path) {
    UniqueDescriptor fd(::open(toNarrow(path).c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd) return LibraryWidth::Unknown;
    char header[64];
    ssize_t n = ::read(fd.get(), header, sizeof header);
    if (n <= 0) return LibraryWidth::Unknown;
    return elfImageWidth(std::string_view(header, static_cast<size_t>(n)));
}

} // namespace launcher
