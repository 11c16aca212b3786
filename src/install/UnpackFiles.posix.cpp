#include "install/UnpackFiles.h"

#include "base/Descriptor.posix.h"
#include "base/Text.h"
#include "install/FileSource.posix.h"

#include <cerrno>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace launcher {

namespace {

struct DirectoryTraits {
    using Value = DIR*;
    static Value empty() { return nullptr; }
    static void close(Value directory) { ::closedir(directory); }
};
using UniqueDirectory = UniqueResource<DirectoryTraits>;

void removeTreeAt(const std::string& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) return;
    if (!S_ISDIR(info.st_mode)) {
        ::unlink(path.c_str());
        return;
    }
    if (UniqueDirectory directory{::opendir(path.c_str())}) {
        while (const dirent* item = ::readdir(directory.get())) {
            const std::string name = item->d_name;
            if (name != "." && name != "..") removeTreeAt(path + "/" + name);
        }
    }
    ::rmdir(path.c_str());
}

} // namespace

struct OutputFile::Handle {
    UniqueDescriptor fd;
};

bool pathExists(const std::u16string& path) {
    struct stat info {};
    return ::lstat(toNarrow(path).c_str(), &info) == 0;
}

bool createFolder(const std::u16string& path, uint32_t& error) {
    if (::mkdir(toNarrow(path).c_str(), 0755) == 0) return true;
    error = static_cast<uint32_t>(errno);
    return false;
}

bool moveFolder(const std::u16string& from, const std::u16string& to, uint32_t& error) {
    const std::string source = toNarrow(from);
    const std::string target = toNarrow(to);
    if (::renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0) return true;
    // A file system without the flag: rename would replace an empty folder,
    // so look first (the destination's parent is ours alone meanwhile).
    if (errno == EINVAL || errno == ENOSYS) {
        if (pathExists(to)) {
            error = EEXIST;
            return false;
        }
        if (::rename(source.c_str(), target.c_str()) == 0) return true;
    }
    error = static_cast<uint32_t>(errno);
    return false;
}

bool symbolicLinksSupported() { return true; }

bool createSymbolicLink(const std::u16string& path, const std::string& target, uint32_t& error) {
    if (::symlink(target.c_str(), toNarrow(path).c_str()) == 0) return true;
    error = static_cast<uint32_t>(errno);
    return false;
}

void removeTree(const std::u16string& path) { removeTreeAt(toNarrow(path)); }

OutputFile::OutputFile() : handle_(std::make_unique<Handle>()) {}
OutputFile::~OutputFile() = default;

bool OutputFile::open(const std::u16string& path, uint32_t mode) {
    // Only the owner's write bit and the read and execute bits are carried
    // over from a download (no set-user-ID, nothing others may write); the
    // system then takes away what the umask says, as for any new file.
    const mode_t permissions = mode == 0 ? 0644 : static_cast<mode_t>(mode & 0755);
    handle_->fd.reset(::open(toNarrow(path).c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, permissions));
    if (!handle_->fd) error_ = static_cast<uint32_t>(errno);
    return static_cast<bool>(handle_->fd);
}

bool OutputFile::write(std::span<const uint8_t> bytes) {
    while (!bytes.empty()) {
        ssize_t written = ::write(handle_->fd.get(), bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) {
            error_ = static_cast<uint32_t>(written < 0 ? errno : EIO);
            return false;
        }
        bytes = bytes.subspan(static_cast<size_t>(written));
    }
    return true;
}

bool OutputFile::close() {
    const int fd = handle_->fd.release();
    if (::close(fd) != 0) {
        error_ = static_cast<uint32_t>(errno);
        return false;
    }
    return true;
}

std::unique_ptr<ByteSource> OutputFile::readBack() {
    return fileSource(std::move(handle_->fd), error_);
}

} // namespace launcher
