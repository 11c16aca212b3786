#include "ToolProcess.h"

#include "Bytes.h"
#include "base/UniqueResource.h"

#include <algorithm>
#include <cerrno>
#include <iterator>
#include <cstdlib>
#include <cstring>
#include <csignal>

#include <fcntl.h>
#include <poll.h>
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

struct SpawnAttributes {
    posix_spawnattr_t attributes;
    SpawnAttributes() { posix_spawnattr_init(&attributes); }
    ~SpawnAttributes() { posix_spawnattr_destroy(&attributes); }
    SpawnAttributes(const SpawnAttributes&) = delete;
    SpawnAttributes& operator=(const SpawnAttributes&) = delete;
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

namespace {

// This process's environment with the given variables replaced or added,
// and the withheld ones left out.
std::vector<std::string> childEnvironment(const ToolRequest& request) {
    std::vector<std::string> entries;
    auto named = [](const std::string& entry, const std::string& name) { return entry.starts_with(name + "="); };
    for (char** entry = environ; *entry; ++entry) {
        std::string text(*entry);
        bool dropped = false;
        for (const auto& [name, _] : request.environment) dropped = dropped || named(text, name);
        for (const std::string& name : request.withheld) dropped = dropped || named(text, name);
        if (!dropped) entries.push_back(text);
    }
    for (const auto& [name, value] : request.environment) entries.push_back(name + "=" + value);
    return entries;
}

// Where the tool finds the secret: a descriptor it inherits.
constexpr int kSecretDescriptor = 3;

// A pipe that already holds the secret, its writing end closed, so that the
// tool reads the text and then its end. The text must fit into the pipe:
// nothing reads it before the tool starts.
Fd secretPipe(const std::string& secret) {
    Pipe pipe;
    fcntl(pipe.write.get(), F_SETFL, O_NONBLOCK);
    for (size_t done = 0; done < secret.size();) {
        ssize_t n = write(pipe.write.get(), secret.data() + done, secret.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) throw PackError("the password (" + std::to_string(secret.size()) + " bytes) is longer than a pipe holds");
        done += static_cast<size_t>(n);
    }
    // Kept away from the numbers that the child's descriptors take, so that
    // no dup2 in the child overwrites it before it is moved into place.
    Fd high(fcntl(pipe.read.get(), F_DUPFD_CLOEXEC, 10));
    if (!high) throw PackError(std::string("cannot pass the password: ") + std::strerror(errno));
    return high;
}

// While a tool with a time limit runs in its own process group, the signals
// that would end this process from the terminal end the tool too.
volatile sig_atomic_t gToolGroup = 0;
void forwardSignal(int signal) {
    if (gToolGroup > 0) kill(-static_cast<pid_t>(gToolGroup), signal);
}

class SignalForwarding {
public:
    explicit SignalForwarding(pid_t group) {
        gToolGroup = group;
        struct sigaction forward{};
        forward.sa_handler = forwardSignal;
        for (size_t i = 0; i < std::size(kSignals); ++i) sigaction(kSignals[i], &forward, &previous_[i]);
    }
    ~SignalForwarding() {
        for (size_t i = 0; i < std::size(kSignals); ++i) sigaction(kSignals[i], &previous_[i], nullptr);
        gToolGroup = 0;
    }
    SignalForwarding(const SignalForwarding&) = delete;
    SignalForwarding& operator=(const SignalForwarding&) = delete;

private:
    static constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
    struct sigaction previous_[std::size(kSignals)]{};
};

using Deadline = std::chrono::steady_clock::time_point;
constexpr Deadline kNoDeadline = Deadline::max();

// Reads the tool's output until its end or the deadline; false at the
// deadline.
bool readOutput(int fd, std::string& output, Deadline deadline) {
    char buffer[65536];
    for (;;) {
        if (deadline != kNoDeadline) {
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) return false;
            pollfd wait{fd, POLLIN, 0};
            int ready = poll(&wait, 1, static_cast<int>(std::min<long long>(left.count() + 1, 60000)));
            if (ready < 0 && errno != EINTR) return true;
            if (ready <= 0) continue;
        }
        ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return true;
        output.append(buffer, static_cast<size_t>(n));
    }
}

// The child's exit status once it ends; nullopt at the deadline. A tool may
// close its output and still run on.
std::optional<int> waitForEnd(pid_t child, Deadline deadline) {
    int status = 0;
    for (;;) {
        pid_t ended = waitpid(child, &status, deadline != kNoDeadline ? WNOHANG : 0);
        if (ended == child) return status;
        if (ended < 0 && errno != EINTR) return 0;
        if (ended == 0) {
            if (std::chrono::steady_clock::now() >= deadline) return std::nullopt;
            usleep(10000);
        }
    }
}

} // namespace

ToolRun runTool(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                const ToolRequest& request) {
    Pipe in, out;
    Fd secret = request.secret ? secretPipe(*request.secret) : Fd();
    SpawnActions spawn;
    posix_spawn_file_actions_adddup2(&spawn.actions, in.read.get(), 0);
    posix_spawn_file_actions_adddup2(&spawn.actions, out.write.get(), 1);
    posix_spawn_file_actions_adddup2(&spawn.actions, out.write.get(), 2);
    if (secret) posix_spawn_file_actions_adddup2(&spawn.actions, secret.get(), kSecretDescriptor);
    std::vector<std::string> argv{program.string()};
    std::vector<std::string> given = withSecretFile(arguments, "/dev/fd/" + std::to_string(kSecretDescriptor));
    argv.insert(argv.end(), given.begin(), given.end());
    std::vector<char*> pointers;
    for (std::string& a : argv) pointers.push_back(a.data());
    pointers.push_back(nullptr);
    std::vector<std::string> variables = childEnvironment(request);
    std::vector<char*> variablePointers;
    for (std::string& v : variables) variablePointers.push_back(v.data());
    variablePointers.push_back(nullptr);
    // With a time limit the tool leads a process group of its own, so that
    // stopping it stops what it started too.
    bool limited = request.timeLimit.count() > 0;
    SpawnAttributes attributes;
    if (limited) {
        posix_spawnattr_setflags(&attributes.attributes, POSIX_SPAWN_SETPGROUP);
        posix_spawnattr_setpgroup(&attributes.attributes, 0);
    }
    pid_t child = 0;
    int error = posix_spawn(&child, program.c_str(), &spawn.actions, &attributes.attributes, pointers.data(),
                            variablePointers.data());
    if (error != 0) throw PackError(program.string() + " cannot be started: " + std::strerror(error));
    std::optional<SignalForwarding> forwarding;
    if (limited) forwarding.emplace(child);
    Deadline deadline = limited ? std::chrono::steady_clock::now() + request.timeLimit : kNoDeadline;
    in.read.reset();
    out.write.reset();
    secret.reset();
    // A tool that ends without reading its input must not end this process.
    struct sigaction ignore{}, previous{};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGPIPE, &ignore, &previous);
    for (size_t done = 0; done < request.input.size();) {
        ssize_t n = write(in.write.get(), request.input.data() + done, request.input.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<size_t>(n);
    }
    in.write.reset();
    sigaction(SIGPIPE, &previous, nullptr);
    ToolRun run;
    std::optional<int> ended;
    if (readOutput(out.read.get(), run.output, deadline)) ended = waitForEnd(child, deadline);
    if (!ended) {
        kill(-child, SIGKILL);
        run.timedOut = true;
        ended = waitForEnd(child, kNoDeadline);
    }
    int status = *ended;
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return run;
}

} // namespace launcher::pack
