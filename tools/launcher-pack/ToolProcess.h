#pragma once
// Runs the outside tools that build and sign installers (wixl, osslsigncode)
// as child processes: found on PATH, given text on standard input, their
// output (standard output and error together) kept for the error message.

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace launcher::pack {

struct ToolRun {
    int exitCode = -1;
    std::string output;
    bool timedOut = false; // stopped at the time limit, with everything it started
};

// The program's full path when PATH holds it (on Windows with ".exe" added).
std::optional<std::filesystem::path> findTool(const std::string& name);

// Environment variables set for a tool, besides this process's own.
using ToolEnvironment = std::vector<std::pair<std::string, std::string>>;

// The argument that stands for the name of the file through which a tool
// reads ToolRequest::secret.
inline constexpr const char* kSecretFileArgument = "{secret}";

struct ToolRequest {
    std::string input;                 // on its standard input
    ToolEnvironment environment;       // set for the tool
    std::vector<std::string> withheld; // variables of this process the tool does not see
    // Text the tool reads from a file named by the kSecretFileArgument
    // argument: on Linux a pipe (/dev/fd/N) that nothing else can open, on
    // Windows a file in the user's temporary folder, removed at the end.
    std::optional<std::string> secret;
    // Zero: none. Past it the tool is stopped, with whatever it started
    // (its process group; on Windows its job).
    std::chrono::seconds timeLimit{0};
};

// Runs program with arguments (UTF-8) and input on its standard input, and
// waits for its end. Throws PackError when it cannot be started.
ToolRun runTool(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                const ToolRequest& request);
ToolRun runTool(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                const std::string& input = {}, const ToolEnvironment& environment = {});

// The arguments with each kSecretFileArgument replaced by path.
std::vector<std::string> withSecretFile(std::vector<std::string> arguments, const std::string& path);

// A tool's output without its blank lines, its lines indented below the
// first.
std::string outputLines(const std::string& output);

// "NAME failed (exit code N): OUTPUT", OUTPUT as outputLines gives it.
std::string toolFailure(const std::string& name, const ToolRun& run);

// A Windows command line for arguments, each reaching the program's argv
// unchanged (the rules of CommandLineToArgvW and the C runtime).
std::string windowsCommandLine(const std::vector<std::string>& arguments);

} // namespace launcher::pack
