#include "ToolProcess.h"

#include "Bytes.h"
#include "base/UniqueResource.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <csignal>

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace launcher::pack {

namespace {

struct FdTraits {
    using Value = int;
    static Value empty() { return -1; }
    static void close(Value fd) { ::close(fd); }
};
using Fd = UniqueResource<FdTraits>;

struct Pipe {
    Fd read, write;
    Pipe() {
        int ends[2];
        if (pipe2(ends, O_CLOEXEC) != 0) throw PackError(std::string("cannot create a pipe: ") + std::strerror(errno));
        read.reset(ends[0]);
        write.reset(ends[1]);
    }
};

struct SpawnActions {
    posix_spawn_file_actions_t actions;
    SpawnActions() { posix_spawn_file_actions_init(&actions); }
    ~SpawnActions() { posix_spawn_file_actions_destroy(&actions); }
    SpawnActions(const SpawnActions&) = delete;
    SpawnActions& operator=(const SpawnActions&) = delete;
};

} // namespace

std::optional<std::filesystem::path> findTool(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::string folders = path ? path : "/usr/bin:/bin";
    for (size_t begin = 0; begin <= folders.size();) {
        size_t end = folders.find(':', begin);
        if (end == std::string::npos) end = folders.size();
        std::string folder = folders.substr(begin, end - begin);
        std::filesystem::path candidate = std::filesystem::path(folder.empty() ? "." : folder) / name;
        struct stat status{};
        if (stat(candidate.c_str(), &status) == 0 && S_ISREG(status.st_mode) && access(candidate.c_str(), X_OK) == 0) {
            return candidate;
        }
        begin = end + 1;
    }
    return std::nullopt;
}

// This process's environment with the given variables replaced or added.
std::vector<std::string> childEnvironment(const ToolEnvironment& changes) {
    std::vector<std::string> entries;
    for (char** entry = environ; *entry; ++entry) {
        std::string text(*entry);
        bool changed = false;
        for (const auto& [name, _] : changes) changed = changed || text.starts_with(name + "=");
        if (!changed) entries.push_back(text);
    }
    for (const auto& [name, value] : changes) entries.push_back(name + "=" + value);
    return entries;
}

ToolRun runTool(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                const std::string& input, const ToolEnvironment& environment) {
    Pipe in, out;
    SpawnActions spawn;
    posix_spawn_file_actions_adddup2(&spawn.actions, in.read.get(), 0);
    posix_spawn_file_actions_adddup2(&spawn.actions, out.write.get(), 1);
    posix_spawn_file_actions_adddup2(&spawn.actions, out.write.get(), 2);
    std::vector<std::string> argv{program.string()};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::vector<char*> pointers;
    for (std::string& a : argv) pointers.push_back(a.data());
    pointers.push_back(nullptr);
    std::vector<std::string> variables = childEnvironment(environment);
    std::vector<char*> variablePointers;
    for (std::string& v : variables) variablePointers.push_back(v.data());
    variablePointers.push_back(nullptr);
    pid_t child = 0;
    int error = posix_spawn(&child, program.c_str(), &spawn.actions, nullptr, pointers.data(),
                            environment.empty() ? environ : variablePointers.data());
    if (error != 0) throw PackError(program.string() + " cannot be started: " + std::strerror(error));
    in.read.reset();
    out.write.reset();
    // A tool that ends without reading its input must not end this process.
    struct sigaction ignore{}, previous{};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGPIPE, &ignore, &previous);
    for (size_t done = 0; done < input.size();) {
        ssize_t n = write(in.write.get(), input.data() + done, input.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<size_t>(n);
    }
    in.write.reset();
    sigaction(SIGPIPE, &previous, nullptr);
    ToolRun run;
    char buffer[65536];
    for (;;) {
        ssize_t n = read(out.read.get(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        run.output.append(buffer, static_cast<size_t>(n));
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {}
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return run;
}

} // namespace launcher::pack
