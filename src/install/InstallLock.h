#pragma once
// One install at a time per product: a lock on a file in the product's
// runtime folder. A second start of the same application waits for the
// first one's install instead of downloading the runtime twice. The system
// drops the lock when its holder ends, crashed or not.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

namespace launcher {

class InstallLock {
public:
    enum class Outcome { Locked, TimedOut, Cancelled, Failed };

    InstallLock();
    ~InstallLock(); // releases the lock
    InstallLock(const InstallLock&) = delete;
    InstallLock& operator=(const InstallLock&) = delete;

    // Opens (creating it when missing) the lock file and waits for the lock
    // at most wait; Failed leaves the system's code in error().
    Outcome acquire(const std::u16string& path, std::chrono::milliseconds wait, const std::atomic<bool>* cancel);
    uint32_t error() const { return error_; }

    struct Handle;

private:
    std::unique_ptr<Handle> handle_;
    uint32_t error_ = 0;
};

} // namespace launcher
