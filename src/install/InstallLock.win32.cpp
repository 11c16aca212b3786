#include "install/InstallLock.h"

#include "base/Handles.win32.h"
#include "base/Wide.win32.h"

#include <thread>
#include <windows.h>

namespace launcher {

namespace {
constexpr std::chrono::milliseconds kLockPollWin32{50};
}

struct InstallLock::Handle {
    UniqueFileHandle file;
};

InstallLock::InstallLock() : handle_(std::make_unique<Handle>()) {}
InstallLock::~InstallLock() = default; // closing the file drops the lock

InstallLock::Outcome InstallLock::acquire(const std::u16string& path, std::chrono::milliseconds wait,
                                          const std::atomic<bool>* cancel) {
    handle_->file.reset(CreateFileW(wide(path), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!handle_->file) {
        error_ = GetLastError();
        return Outcome::Failed;
    }
    const auto deadline = std::chrono::steady_clock::now() + wait;
    for (;;) {
        OVERLAPPED at{};
        if (LockFileEx(handle_->file.get(), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at)) {
            return Outcome::Locked;
        }
        const DWORD error = GetLastError();
        if (error != ERROR_LOCK_VIOLATION && error != ERROR_IO_PENDING) {
            error_ = error;
            return Outcome::Failed;
        }
        if (cancel && cancel->load()) return Outcome::Cancelled;
        if (std::chrono::steady_clock::now() >= deadline) return Outcome::TimedOut;
        std::this_thread::sleep_for(kLockPollWin32);
    }
}

} // namespace launcher
