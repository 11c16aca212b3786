#include "install/ByteSource.h"
#include "install/FileSource.posix.h"

#include "base/Descriptor.posix.h"
#include "base/Text.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>

namespace launcher {

namespace {

class PosixFileSource final : public ByteSource {
public:
    PosixFileSource(UniqueDescriptor fd, uint64_t size) : fd_(std::move(fd)), size_(size) {}
    uint64_t size() const override { return size_; }

    bool read(uint64_t offset, std::span<uint8_t> into) override {
        size_t done = 0;
        while (done < into.size()) {
            ssize_t got = ::pread(fd_.get(), into.data() + done, into.size() - done, static_cast<off_t>(offset + done));
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0) return false;
            done += static_cast<size_t>(got);
        }
        return true;
    }

private:
    UniqueDescriptor fd_;
    uint64_t size_;
};

} // namespace

std::unique_ptr<ByteSource> fileSource(UniqueDescriptor fd, uint32_t& error) {
    struct stat info {};
    if (!fd || ::fstat(fd.get(), &info) != 0) {
        error = static_cast<uint32_t>(fd ? errno : EBADF);
        return nullptr;
    }
    return std::make_unique<PosixFileSource>(std::move(fd), static_cast<uint64_t>(info.st_size));
}

std::unique_ptr<ByteSource> openFileSource(const std::u16string& path, uint32_t& error) {
    UniqueDescriptor fd(::open(toNarrow(path).c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd) {
        error = static_cast<uint32_t>(errno);
        return nullptr;
    }
    return fileSource(std::move(fd), error);
}

} // namespace launcher
