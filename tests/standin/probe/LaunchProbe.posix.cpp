#include "probe/StandinProbe.h"
#include "support/ChildProcess.h"

#include <sstream>

namespace launcher::test {

LaunchResult launch(const std::filesystem::path& program, const std::vector<std::string>& arguments, bool) {
    ChildResult child = runChild(program.string(), arguments);
    LaunchResult result;
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
