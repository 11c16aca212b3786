#include "update/RuntimeProbe.h"

#include "base/Text.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>

extern char** environ;

namespace launcher {

namespace {

constexpr std::chrono::milliseconds kPoll{50};

struct SpawnActions {
    posix_spawn_file_actions_t actions;
    SpawnActions() { posix_spawn_file_actions_init(&actions); }
    ~SpawnActions() { posix_spawn_file_actions_destroy(&actions); }
    SpawnActions(const SpawnActions&) = delete;
    SpawnActions& operator=(const SpawnActions&) = delete;
};

int stopChild(pid_t child, int code) {
    ::kill(child, SIGKILL);
    while (waitpid(child, nullptr, 0) < 0 && errno == EINTR) {}
    return code;
}

} // namespace

std::optional<int> runProbe(const std::u16string& program, const std::u16string& argument, std::chrono::seconds limit,
                            const std::atomic<bool>* cancel) {
    std::string path = toNarrow(program);
    std::string parameter = toNarrow(argument);
    char* argv[] = {path.data(), parameter.data(), nullptr};
    SpawnActions spawn;
    for (int fd = 0; fd < 3; ++fd) {
        posix_spawn_file_actions_addopen(&spawn.actions, fd, "/dev/null", fd == 0 ? O_RDONLY : O_WRONLY, 0);
    }
    posix_spawn_file_actions_addclosefrom_np(&spawn.actions, 3);
    pid_t child = 0;
    if (posix_spawn(&child, path.c_str(), &spawn.actions, nullptr, argv, environ) != 0) return std::nullopt;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        int status = 0;
        const pid_t done = waitpid(child, &status, WNOHANG);
        if (done == child) return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        if (done < 0 && errno != EINTR) return std::nullopt;
        if (cancel && cancel->load()) return stopChild(child, kProbeCancelled);
        if (std::chrono::steady_clock::now() >= deadline) return stopChild(child, kProbeTimedOut);
        std::this_thread::sleep_for(kPoll);
    }
}

} // namespace launcher
