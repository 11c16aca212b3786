#include "base/SystemLibrary.win32.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace launcher {
namespace {

namespace fs = std::filesystem;

TEST(SystemLibrary, FindsExportsOfSystemLibrariesOnly) {
    const SystemLibrary gdi(L"gdi32.dll");
    ASSERT_TRUE(gdi);
    EXPECT_NE(gdi.find<decltype(::SelectObject)>("SelectObject"), nullptr);
    EXPECT_EQ(gdi.find<decltype(::SelectObject)>("NoSuchExport"), nullptr);

    const SystemLibrary missing(L"no-such-library.dll");
    EXPECT_FALSE(missing);
    EXPECT_EQ(missing.find<decltype(::SelectObject)>("SelectObject"), nullptr);
}

// A library planted in the current folder under a name the system folder
// does not hold loads through the plain search, never through ours.
TEST(SystemLibrary, IgnoresALibraryPlantedInTheCurrentFolder) {
    test::TempFolder folder;
    wchar_t system[MAX_PATH] = {};
    ASSERT_NE(GetSystemDirectoryW(system, MAX_PATH), 0u);
    fs::copy_file(fs::path(system) / "version.dll", folder.path() / "planted-by-test.dll");
    const fs::path previous = fs::current_path();
    fs::current_path(folder.path());

    // Ours first: once a module of that name is loaded, any search finds it.
    const bool ours = static_cast<bool>(SystemLibrary(L"planted-by-test.dll"));
    HMODULE plain = LoadLibraryW(L"planted-by-test.dll");
    if (plain) FreeLibrary(plain);
    fs::current_path(previous);

    ASSERT_NE(plain, nullptr) << "the planted copy should load through the plain search";
    EXPECT_FALSE(ours);
}

} // namespace
} // namespace launcher
