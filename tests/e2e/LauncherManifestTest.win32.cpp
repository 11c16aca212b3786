// The application manifest as Windows reads it from the built executables:
// each names its own architecture (Windows refuses to start an executable
// whose manifest names another), declares the same DPI awareness as the
// runtime's own java.exe, and lists the Windows versions it was made for.

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <optional>

namespace launcher {
namespace {

namespace fs = std::filesystem;

// The manifest resource (RT_MANIFEST 1), read as data: this also works for
// an executable of the other bitness.
std::optional<std::string> manifestOf(const fs::path& executable) {
    HMODULE module = LoadLibraryExW(executable.c_str(), nullptr,
                                    LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    if (!module) return std::nullopt;
    std::optional<std::string> text;
    if (HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24))) {
        HGLOBAL loaded = LoadResource(module, found);
        const void* bytes = loaded ? LockResource(loaded) : nullptr;
        if (bytes) text.emplace(static_cast<const char*>(bytes), SizeofResource(module, found));
    }
    FreeLibrary(module);
    return text;
}

void expectManifest(const fs::path& executable, const std::string& architecture) {
    SCOPED_TRACE(executable.string());
    std::optional<std::string> manifest = manifestOf(executable);
    ASSERT_TRUE(manifest.has_value());
    const std::string expected[] = {
        "name=\"Launcher.Application\" version=\"1.0.0.0\" processorArchitecture=\"" + architecture + "\"",
        "<dpiAware xmlns=\"http://schemas.microsoft.com/SMI/2005/WindowsSettings\">true/PM</dpiAware>",
        "<dpiAwareness xmlns=\"http://schemas.microsoft.com/SMI/2016/WindowsSettings\">PerMonitorV2, PerMonitor, "
        "system</dpiAwareness>",
        "<supportedOS Id=\"{35138b9a-5d96-4fbd-8e2d-a2440225f93a}\"/>", // 7
        "<supportedOS Id=\"{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}\"/>", // 8
        "<supportedOS Id=\"{1f676c76-80e1-4239-95bb-83d0f6d0da78}\"/>", // 8.1
        "<supportedOS Id=\"{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}\"/>", // 10 and 11
        "name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"",
        "<requestedExecutionLevel level=\"asInvoker\" uiAccess=\"false\"/>",
    };
    for (const std::string& part : expected) EXPECT_NE(manifest->find(part), std::string::npos) << part;
    // Nothing left of a template, and no second architecture.
    EXPECT_EQ(manifest->find('@'), std::string::npos);
    EXPECT_EQ(manifest->find(architecture == "x86" ? "\"amd64\"" : "\"x86\""), std::string::npos);
}

TEST(LauncherManifest, EachExecutableOfThisBuildNamesItsArchitecture) {
    const std::string architecture = sizeof(void*) == 8 ? "amd64" : "x86";
    for (const char* name : {"launcher.exe", "launcher-console.exe"}) {
        expectManifest(test::builtProgramFolder() / name, architecture);
    }
}

TEST(LauncherManifest, The32BitBuildNamesX86) {
    const char* x86 = std::getenv("LAUNCHER_X86_BIN");
    if (!x86 || !*x86) GTEST_SKIP() << "LAUNCHER_X86_BIN names no 32-bit build";
    expectManifest(fs::path(x86) / "launcher.exe", "x86");
}

} // namespace
} // namespace launcher
