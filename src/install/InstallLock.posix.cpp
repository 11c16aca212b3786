#include "install/InstallLock.h"

#include "base/Descriptor.posix.h"
#include "base/Text.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <thread>

namespace launcher {

namespace {
constexpr std::chrono::milliseconds kLockPollPosix{50};
}

struct InstallLock::Handle {
    UniqueDescriptor fd;
};

InstallLock::InstallLock() : handle_(std::make_unique<Handle>()) {}
InstallLock::~InstallLock() = default; // closing the file drops the flock

InstallLock::Outcome InstallLock::acquire(const std::u16string& path, std::chrono::milliseconds wait,
                                          const std::atomic<bool>* cancel) {
    handle_->fd.reset(::open(toNarrow(path).c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644));
    if (!handle_->fd) {
        error_ = static_cast<uint32_t>(errno);
        return Outcome::Failed;
    }
    const auto deadline = std::chrono::steady_clock::now() + wait;
    for (;;) {
        if (::flock(handle_->fd.get(), LOCK_EX | LOCK_NB) == 0) return Outcome::Locked;
        if (errno != EWOULDBLOCK && errno != EINTR) {
            error_ = static_cast<uint32_t>(errno);
            return Outcome::Failed;
        }
        if (cancel && cancel->load()) return Outcome::Cancelled;
        if (std::chrono::steady_clock::now() >= deadline) return Outcome::TimedOut;
        std::this_thread::sleep_for(kLockPollPosix);
    }
}

} // namespace launcher
