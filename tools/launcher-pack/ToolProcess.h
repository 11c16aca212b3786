#pragma once
// Runs the outside tools that build and sign installers (wixl, osslsigncode)
// as child processes: found on PATH, given text on standard input, their
// output (standard output and error together) kept for the error message.

#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace launcher::pack {

struct ToolRun {
    int exitCode = -1;
    std::string output;
};

// The program's full path when PATH holds it (on Windows with ".exe" added).
std::optional<std::filesystem::path> findTool(const std::string& name);

// Environment variables set for a tool, besides this process's own.
using ToolEnvironment = std::vector<std::pair<std::string, std::string>>;

// Runs program with arguments (UTF-8) and input on its standard input, and
// waits for its end. Throws PackError when it cannot be started.
ToolRun runTool(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                const std::string& input = {}, const ToolEnvironment& environment = {});

// "NAME failed (exit code N): OUTPUT", the output without its blank lines,
// its lines indented below the first.
std::string toolFailure(const std::string& name, const ToolRun& run);

// A Windows command line for arguments, each reaching the program's argv
// unchanged (the rules of CommandLineToArgvW and the C runtime).
std::string windowsCommandLine(const std::vector<std::string>& arguments);

} // namespace launcher::pack
