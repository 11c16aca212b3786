#include "base/FolderChain.h"

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace launcher {

uint32_t createFolder(std::u16string_view path) {
    // 0777 leaves the final permissions to the user's umask, as every other
    // program does.
    if (mkdir(toNarrow(path).c_str(), 0777) == 0) return 0;
    return static_cast<uint32_t>(errno);
}

bool removeFolder(std::u16string_view path) {
    return rmdir(toNarrow(path).c_str()) == 0;
}

uint32_t findPathError(std::u16string_view path) {
    struct stat info;
    if (lstat(toNarrow(path).c_str(), &info) == 0) return 0;
    return static_cast<uint32_t>(errno);
}

} // namespace launcher
