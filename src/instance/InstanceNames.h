#pragma once
// The names under which the launches of one executable find each other.
// Every name is derived from the executable's full path, so two copies of
// the launcher in different folders never meet.

#include <cstdint>
#include <string>
#include <string_view>

namespace launcher {

// The path with every "\" replaced by "_" (kernel object names may not
// hold a backslash); nothing else changes.
std::u16string instanceBaseName(std::u16string_view modulePath);
// The manual-reset event the primary signals just before main.
std::u16string mainStartedEventName(std::u16string_view baseName);
// The mutex a secondary holds while the shared argument slot is its own.
std::u16string forwardLockName(std::u16string_view baseName);
// The auto-reset event the primary sets once it has copied the slot.
std::u16string forwardTakenName(std::u16string_view baseName);

// The POSIX port's socket name: per user, and a hash of the path, because
// the path itself may be longer than a socket address holds.
std::string instanceSocketName(std::u16string_view modulePath, uint32_t userId);

// What the system says about the folder named by XDG_RUNTIME_DIR.
struct RuntimeFolderFacts {
    bool isFolder = false;
    uint32_t owner = 0;
    uint32_t mode = 0; // permission bits
};

// Where the POSIX port's socket lives: a file in the user's runtime folder,
// which only the user can reach, or (empty path) the abstract name, which
// any user can bind first. The folder is used when it is named by an
// absolute path, is a folder of userId's that no one else may write to, and
// the socket's path fits a socket address.
struct SocketPlace {
    std::string path;       // empty: the abstract name
    std::string lockPath;   // the lock under which a stale socket is taken over
    const char* why = "";   // when the abstract name is used: why
};
SocketPlace chooseSocketPlace(std::string_view runtimeFolder, const RuntimeFolderFacts& facts, uint32_t userId,
                              std::string_view socketName);

} // namespace launcher
