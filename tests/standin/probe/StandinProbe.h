#pragma once
// What the tests need around the stand-in runtime: where its variants'
// homes are, and a launch of a launcher copy as a user would start it, with
// the messages it showed.

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace launcher::test {

// <build>/standin/<variant>: a runtime home laid out like a real one.
std::filesystem::path standinHome(std::string_view variant);
// The home's runtime library (the "server" flavour).
std::filesystem::path standinLibrary(std::string_view variant);
// The launcher of this build (<build>/bin), for tests to copy and rename.
std::filesystem::path builtLauncher();

struct LaunchResult {
    int exitCode = -1000; // as the system reports it; -1000: no end in time
    // Each message the launcher showed, as one line of UTF-8: the message
    // boxes' texts on Windows, the "<program>: " lines of standard error on
    // Linux.
    std::vector<std::string> messages;
};

// A user's start, without administrator rights; elevated: "Run as
// administrator" on Windows, a set-group-id start on Linux (the program is
// given to another group and marked). Where the tests cannot start one,
// exitCode stays -1000.
LaunchResult launch(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                    bool elevated = false);

// True where launch can start a program elevated: the tests run with
// administrator rights (Windows), or as root (Linux).
bool canLaunchElevated();

// A start whose standard error the test keeps: a program made to crash
// shows its crash there rather than in the suite's output.
struct CapturedLaunch {
    int exitCode = -1000; // -1000: no end in time
    std::string errors;
};
CapturedLaunch launchCapturingErrors(const std::filesystem::path& program, const std::vector<std::string>& arguments);

// The exit code the system reports for a process that ended with code.
int reportedExitCode(int code);

} // namespace launcher::test
