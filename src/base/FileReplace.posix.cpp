#include "base/FileReplace.h"

#include "base/Descriptor.posix.h"
#include "base/Text.h"

#include <atomic>
#include <cerrno>
#include <cstdio>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace launcher {

namespace {

bool writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        bytes.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

std::string folderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

} // namespace

bool replaceFileWhole(const std::u16string& path, std::string_view bytes, std::optional<uint32_t> mode) {
    static std::atomic<unsigned> counter{0};
    const std::string target = toNarrow(path);
    std::string temporary;
    UniqueDescriptor fd;
    // A name of this process's own; one left by a process of the same id
    // that crashed is passed over.
    for (int attempt = 0; attempt < 100 && !fd; ++attempt) {
        temporary = target + ".saving-" + std::to_string(getpid()) + "-" + std::to_string(counter++);
        fd.reset(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644));
        if (!fd && errno != EEXIST) return false;
    }
    if (!fd) return false;
    ScopeExit removeTemporary([&] { ::unlink(temporary.c_str()); });
    if (mode) (void)fchmod(fd.get(), static_cast<mode_t>(*mode & 07777));
    if (!writeAll(fd.get(), bytes) || fsync(fd.get()) != 0) return false;
    if (::close(fd.release()) != 0) return false;
    if (std::rename(temporary.c_str(), target.c_str()) != 0) return false;
    removeTemporary.dismiss();
    // The rename itself made durable.
    UniqueDescriptor directory(::open(folderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (directory) (void)fsync(directory.get());
    return true;
}

} // namespace launcher
