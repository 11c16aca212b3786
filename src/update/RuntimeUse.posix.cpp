#include "update/RuntimeUse.h"

#include "base/Descriptor.posix.h"
#include "base/Text.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>

namespace launcher {

struct RuntimeUseLock::Handle {
    UniqueDescriptor fd;
    std::string path;
};

namespace {

bool lock(RuntimeUseLock::Handle& handle, const std::u16string& path, int mode) {
    // Not inherited: a relaunched start takes its own lock, and a program's
    // child processes must not keep an entry in use.
    handle.path = toNarrow(path);
    handle.fd.reset(::open(handle.path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644));
    if (!handle.fd) return false;
    int result;
    do {
        result = ::flock(handle.fd.get(), mode | LOCK_NB);
    } while (result != 0 && errno == EINTR);
    if (result != 0) handle.fd.reset();
    return result == 0;
}

} // namespace

RuntimeUseLock::RuntimeUseLock() : handle_(std::make_unique<Handle>()) {}
RuntimeUseLock::~RuntimeUseLock() = default;

bool RuntimeUseLock::holdShared(const std::u16string& path) { return lock(*handle_, path, LOCK_SH); }
bool RuntimeUseLock::holdAlone(const std::u16string& path) { return lock(*handle_, path, LOCK_EX); }
void RuntimeUseLock::release() { handle_->fd.reset(); }
void RuntimeUseLock::removeFile() {
    if (handle_->fd) ::unlink(handle_->path.c_str());
}

} // namespace launcher
