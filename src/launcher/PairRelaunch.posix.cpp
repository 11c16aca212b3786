#include "launcher/PairRelaunch.h"
#include "base/Descriptor.posix.h"
#include "base/Text.h"

#include <cerrno>
#include <spawn.h>
#include <sys/wait.h>
#include <vector>

extern char** environ;

namespace launcher {

PairOutcome relaunchPair(const std::u16string& pairPath, bool wait) {
    // The same arguments, the program name as this process was given it.
    std::string cmdline;
    readWholeFile("/proc/self/cmdline", cmdline);
    std::vector<char*> argv;
    if (cmdline.empty() || cmdline.back() != '\0') cmdline.push_back('\0');
    for (size_t p = 0; p < cmdline.size(); p = cmdline.find('\0', p) + 1) argv.push_back(cmdline.data() + p);
    argv.push_back(nullptr);
    std::string program = toNarrow(pairPath);
    PairOutcome outcome;
    pid_t child = 0;
    if (int error = posix_spawn(&child, program.c_str(), nullptr, nullptr, argv.data(), environ); error != 0) {
        outcome.error = static_cast<uint32_t>(error);
        return outcome;
    }
    outcome.started = true;
    if (!wait) return outcome;
    int status = 0;
    while (waitpid(child, &status, 0) < 0) {
        if (errno != EINTR) {
            outcome.exitCode = -1;
            outcome.abnormalEnd = u"the paired launcher's end cannot be read (error " + toDecimal(errno) + u")";
            return outcome;
        }
    }
    if (WIFEXITED(status)) {
        outcome.exitCode = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        outcome.exitCode = 128 + WTERMSIG(status);
        outcome.abnormalEnd = u"the paired launcher was ended by signal " + toDecimal(WTERMSIG(status));
    } else {
        outcome.exitCode = -1;
        outcome.abnormalEnd = u"the paired launcher ended in a way that gives no exit code";
    }
    return outcome;
}

} // namespace launcher
