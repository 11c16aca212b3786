#include "jre/RuntimeFolders.h"
#include "base/Descriptor.posix.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

namespace launcher {

namespace {

void closeDirectory(DIR* dir) { closedir(dir); }
using UniqueDirectory = UniqueResource<NullEmptyTraits<DIR*, closeDirectory>>;

} // namespace

std::vector<FolderEntry> listSubfolders(std::u16string_view folder) {
    std::vector<FolderEntry> entries;
    std::string base = toNarrow(folder);
    UniqueDirectory dir(opendir(base.c_str()));
    if (!dir) return entries;
    while (dirent* e = readdir(dir.get())) {
        std::string name = e->d_name;
        if (name == "." || name == "..") continue;
        // The entry's type usually comes with it; only links and file
        // systems that do not report types need a look at the target. A
        // link that loops or leads nowhere is no folder.
        bool isLink = e->d_type == DT_LNK;
        if (e->d_type != DT_DIR) {
            if (e->d_type != DT_LNK && e->d_type != DT_UNKNOWN) continue;
            std::string path = base + "/" + name;
            struct stat target{};
            if (stat(path.c_str(), &target) != 0 || !S_ISDIR(target.st_mode)) continue;
            if (e->d_type == DT_UNKNOWN) {
                struct stat self{};
                isLink = lstat(path.c_str(), &self) == 0 && S_ISLNK(self.st_mode);
            }
        }
        entries.push_back({fromNarrow(name), isLink});
    }
    return entries;
}

std::optional<std::string> readFileHead(std::u16string_view path, size_t limit) {
    // Not blocking on open: a named pipe in place of the file must not hang
    // the start.
    UniqueDescriptor fd(open(toNarrow(path).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (!fd) return std::nullopt;
    struct stat info{};
    if (fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
    std::string bytes(limit, '\0');
    size_t length = 0;
    while (length < bytes.size()) {
        ssize_t n = read(fd.get(), bytes.data() + length, bytes.size() - length);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return std::nullopt;
        if (n == 0) break;
        length += static_cast<size_t>(n);
    }
    bytes.resize(length);
    return bytes;
}

} // namespace launcher
