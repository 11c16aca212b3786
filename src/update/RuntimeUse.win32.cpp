#include "update/RuntimeUse.h"

#include "base/Handles.win32.h"
#include "base/Wide.win32.h"
#include "install/LongPath.win32.h"

namespace launcher {

struct RuntimeUseLock::Handle {
    UniqueFileHandle file;
    std::u16string path;
};

namespace {

bool lock(RuntimeUseLock::Handle& handle, const std::u16string& path, DWORD mode) {
    // Shared for deleting too: the one who removes the entry removes its
    // lock file while it holds it.
    handle.path = systemPath(path);
    handle.file.reset(CreateFileW(wide(handle.path), GENERIC_READ | GENERIC_WRITE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!handle.file) return false;
    OVERLAPPED at{};
    if (!LockFileEx(handle.file.get(), mode | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at)) {
        handle.file.reset();
        return false;
    }
    return true;
}

} // namespace

RuntimeUseLock::RuntimeUseLock() : handle_(std::make_unique<Handle>()) {}
RuntimeUseLock::~RuntimeUseLock() = default; // closing the file drops the lock

bool RuntimeUseLock::holdShared(const std::u16string& path) { return lock(*handle_, path, 0); }
bool RuntimeUseLock::holdAlone(const std::u16string& path) { return lock(*handle_, path, LOCKFILE_EXCLUSIVE_LOCK); }
void RuntimeUseLock::release() { handle_->file.reset(); }
void RuntimeUseLock::removeFile() {
    // Gone once the last handle closes, which is this one's.
    if (handle_->file) DeleteFileW(wide(handle_->path));
}

} // namespace launcher
