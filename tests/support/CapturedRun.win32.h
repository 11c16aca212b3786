#pragma once
// Starting a program with its standard output and error on pipes, with the
// rights a person's start would give it, and collecting what it wrote.

#include "support/WindowProbe.win32.h"

#include <windows.h>

#include <filesystem>
#include <string>
#include <vector>

namespace launcher::test {

struct CapturedRun {
    DWORD exitCode = STILL_ACTIVE; // STILL_ACTIVE: it did not end in time (it was ended) or did not start
    std::string out;
    std::string err;
};

// The command-line tail that gives each argument back unchanged to the
// launcher, which splits at spaces and knows no escape character: quotes
// around arguments with spaces and around empty ones. An argument can hold
// a double quote only where it neither starts the argument nor shares it
// with a space.
std::wstring commandLineOf(const std::vector<std::wstring>& arguments);

struct RunOptions {
    Rights rights = Rights::User;
    DWORD timeoutMs = 120000;
    std::filesystem::path workingDirectory = {}; // empty: the test's own
};

CapturedRun runCaptured(const std::filesystem::path& exe, const std::wstring& arguments, const RunOptions& options = {});

// Runs exe with its standard output and error written to these files, as a
// shell's "> output 2> error" would: its exit code, or STILL_ACTIVE when it
// could not start or did not end in time (it is then ended).
DWORD runToFiles(const std::filesystem::path& exe, const std::wstring& arguments, const RunOptions& options,
                 const std::filesystem::path& output, const std::filesystem::path& error);

} // namespace launcher::test
