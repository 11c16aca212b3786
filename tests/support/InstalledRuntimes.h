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

// A JDK that can make runtime images (jlink and the jmods it reads); empty
// when there is none.
std::filesystem::path jdkWithJlink();

} // namespace launcher::test
