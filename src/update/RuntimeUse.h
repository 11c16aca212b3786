#pragma once
// Which installed runtimes of the feed are in use. A start that runs a
// program on an entry holds a shared lock on a small file beside the
// entry's folder for as long as it lives; an entry is removed only by one
// who holds that lock alone. The system drops a lock when its holder ends,
// so a crashed start keeps nothing in use.

#include <memory>
#include <string>

namespace launcher {

class RuntimeUseLock {
public:
    RuntimeUseLock();
    ~RuntimeUseLock();
    RuntimeUseLock(const RuntimeUseLock&) = delete;
    RuntimeUseLock& operator=(const RuntimeUseLock&) = delete;

    // Neither waits: a shared lock fails only while the entry is being
    // removed, an exclusive one while any start uses it.
    bool holdShared(const std::u16string& path);
    bool holdAlone(const std::u16string& path);
    void release();
    // With the lock held alone: removes the lock file, once nothing it
    // guards is left. Any later holder opens a new file.
    void removeFile();

    struct Handle;

private:
    std::unique_ptr<Handle> handle_;
};

// The lock file of the runtime in folder: beside it, so that removing the
// folder never touches a file another start holds open.
std::u16string runtimeUsePath(const std::u16string& folder);

// Creates the lock file of a runtime a look at the feed installed: the
// file marks the folder as the feed's, which only the feed's clean-up
// removes (never the pinned runtime's).
bool markFeedEntry(const std::u16string& folder);

} // namespace launcher
