#include "launcher/CacheAssembly.h"

#include "base/Text.h"

#include <cerrno>
#include <fcntl.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace launcher::assembly {

namespace {

// posix_spawn's settings, released on every path.
struct SpawnSettings {
    posix_spawnattr_t attributes;
    posix_spawn_file_actions_t actions;
    SpawnSettings() {
        posix_spawnattr_init(&attributes);
        posix_spawn_file_actions_init(&actions);
    }
    ~SpawnSettings() {
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attributes);
    }
    SpawnSettings(const SpawnSettings&) = delete;
    SpawnSettings& operator=(const SpawnSettings&) = delete;
};

} // namespace

bool startOwnExecutable(std::u16string_view encodedRequest, int* exitCode) {
    // This process's environment with the request in it, and no other
    // request that may have been there.
    std::string variable = toNarrow(kAssemblyVariable) + "=" + toUtf8(encodedRequest);
    std::vector<char*> environment;
    for (char** entry = environ; *entry; ++entry) {
        if (keptForAssembly(fromNarrow(*entry))) environment.push_back(*entry);
    }
    environment.push_back(variable.data());
    environment.push_back(nullptr);
    std::string program = "/proc/self/exe";
    char* argv[] = {program.data(), nullptr};

    // A session of its own, so that a terminal's end does not end it; no
    // standard stream of the application (a pipe a caller waits on would
    // stay open) and no other descriptor (the single-instance socket among
    // them).
    SpawnSettings settings;
    posix_spawnattr_setflags(&settings.attributes, POSIX_SPAWN_SETSID);
    for (int fd = 0; fd < 3; ++fd) {
        posix_spawn_file_actions_addopen(&settings.actions, fd, "/dev/null", fd == 0 ? O_RDONLY : O_WRONLY, 0);
    }
    posix_spawn_file_actions_addclosefrom_np(&settings.actions, 3);
    pid_t child = 0;
    if (posix_spawn(&child, program.c_str(), &settings.actions, &settings.attributes, argv, environment.data()) != 0) {
        return false;
    }
    // Without exitCode the caller is an application start about to end:
    // the system takes the child over.
    if (!exitCode) return true;
    int status = 0;
    while (waitpid(child, &status, 0) < 0) {
        if (errno != EINTR) return false;
    }
    *exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return true;
}

void lowerPriority() { setpriority(PRIO_PROCESS, 0, 10); }

Lock::Lock(std::u16string_view path) {
    const int fd = open(toNarrow(path).c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) return;
    // Released by the system when the process ends, however it ends.
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        close(fd);
        return;
    }
    handle_ = fd;
    held_ = true;
}

Lock::~Lock() {
    if (held_) close(static_cast<int>(handle_));
}

} // namespace launcher::assembly
