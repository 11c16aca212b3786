#include "support/ChildProcess.h"

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace launcher::test {

namespace {

void drain(int fd, std::string& into) {
    char buffer[4096];
    ssize_t n;
    while ((n = read(fd, buffer, sizeof buffer)) > 0) into.append(buffer, static_cast<size_t>(n));
}

} // namespace

ChildResult runChild(const std::string& program, const std::vector<std::string>& arguments, double timeoutSeconds,
                     const std::string& workingDirectory) {
    ChildResult result;
    int outPipe[2], errPipe[2];
    if (pipe(outPipe) != 0) return result;
    if (pipe(errPipe) != 0) return result;
    pid_t pid = fork();
    if (pid == 0) {
        dup2(outPipe[1], 1);
        dup2(errPipe[1], 2);
        close(outPipe[0]); close(outPipe[1]); close(errPipe[0]); close(errPipe[1]);
        if (!workingDirectory.empty() && chdir(workingDirectory.c_str()) != 0) _exit(127);
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(program.c_str()));
        for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    close(outPipe[1]);
    close(errPipe[1]);
    fcntl(outPipe[0], F_SETFL, O_NONBLOCK);
    fcntl(errPipe[0], F_SETFL, O_NONBLOCK);
    auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(timeoutSeconds);
    int status = 0;
    bool ended = false;
    while (!ended) {
        pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
        poll(fds, 2, 50);
        drain(outPipe[0], result.out);
        drain(errPipe[0], result.err);
        ended = waitpid(pid, &status, WNOHANG) == pid;
        if (!ended && std::chrono::steady_clock::now() > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            close(outPipe[0]);
            close(errPipe[0]);
            return result;
        }
    }
    drain(outPipe[0], result.out);
    drain(errPipe[0], result.err);
    close(outPipe[0]);
    close(errPipe[0]);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return result;
}

} // namespace launcher::test
