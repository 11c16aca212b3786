#pragma once
// The Java runtimes installed under /usr/lib/jvm, by the major version their
// release file gives: for tests and benchmarks that run every one of them.

#include <filesystem>
#include <utility>
#include <vector>

namespace launcher::test {

// Homes of runtimes of minimumMajor or newer that carry their default
// class-data archive, oldest first; links to other homes left out.
std::vector<std::pair<int, std::filesystem::path>> installedRuntimes(int minimumMajor);

} // namespace launcher::test
