#include "probe/StandinProbe.h"
#include "support/ChildProcess.h"

#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace launcher::test {

bool canLaunchElevated() { return geteuid() == 0; }

LaunchResult launch(const std::filesystem::path& program, const std::vector<std::string>& arguments, bool elevated) {
    LaunchResult result;
    if (elevated) {
        // A set-group-id start: the program's group (nogroup) differs from
        // the caller's, as the rights of such a start differ from its
        // user's. Only root can hand a file to another group.
        if (!canLaunchElevated() || chown(program.c_str(), static_cast<uid_t>(-1), 65534) != 0 ||
            chmod(program.c_str(), 02755) != 0) {
            return result;
        }
    }
    ChildResult child = runChild(program.string(), arguments);
    result.exitCode = child.exitCode;
    const std::string prefix = program.filename().string() + ": ";
    std::istringstream lines(child.err);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind(prefix, 0) == 0) result.messages.push_back(line.substr(prefix.size()));
    }
    return result;
}

CapturedLaunch launchCapturingErrors(const std::filesystem::path& program, const std::vector<std::string>& arguments) {
    ChildResult child = runChild(program.string(), arguments);
    return {child.exitCode, child.err};
}

int reportedExitCode(int code) { return code & 0xFF; }

} // namespace launcher::test
