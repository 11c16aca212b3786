// The shipped launcher loads only what a plain start needs: anything else
// (pictures, dialogs, the shell) must come on first use, not at load time.

#include "support/PeImports.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace launcher {
namespace {

namespace fs = std::filesystem;

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(LauncherImports, LoadTimeLibrariesAreOnlyTheStartupSet) {
    const fs::path launcher = test::builtProgramFolder() / "launcher.exe";
    std::optional<std::vector<std::string>> libraries = test::importedLibraries(readFile(launcher));
    ASSERT_TRUE(libraries.has_value()) << launcher;
    // An empty list would mean the table was not found rather than lean.
    EXPECT_NE(std::find(libraries->begin(), libraries->end(), "KERNEL32.dll"), libraries->end());
    for (const std::string& library : *libraries) EXPECT_TRUE(test::isStartupLibrary(library)) << library;
}

TEST(LauncherImports, DebugInformationLivesBesideTheExecutable) {
    const fs::path folder = test::builtProgramFolder();
    ASSERT_TRUE(fs::exists(folder / "launcher.exe.debug"));
    EXPECT_GT(fs::file_size(folder / "launcher.exe.debug"), 0u);
    // The executable names its debug file so that a debugger finds it.
    EXPECT_NE(readFile(folder / "launcher.exe").find("launcher.exe.debug"), std::string::npos);
}

} // namespace
} // namespace launcher
