#pragma once
// Starting a program as a user would, and collecting what it did.

#include <string>
#include <vector>

namespace launcher::test {

struct ChildResult {
    int exitCode = -1000; // -1000: did not end in time, or could not start
    std::string out;
    std::string err;
};

// Runs program with arguments (without the program name), waits at most
// timeoutSeconds, and returns its exit code and output. An empty
// workingDirectory keeps the current one.
ChildResult runChild(const std::string& program, const std::vector<std::string>& arguments,
                     double timeoutSeconds = 60, const std::string& workingDirectory = {});

} // namespace launcher::test
