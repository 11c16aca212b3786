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

constexpr wchar_t kKernel32[] = L"kernel32.dll";
constexpr wchar_t kNoSuchLibrary[] = L"no-such-library.dll";

// Two exports of one type each get their own function; a missing export or
// library gives null instead of failing.
TEST(LazySystemLibrary, BindsEachExportByItsOwnName) {
    using Kernel32 = LazySystemLibrary<kKernel32>;
    auto* const process = Kernel32::bind<decltype(::GetCurrentProcessId), "GetCurrentProcessId">();
    auto* const thread = Kernel32::bind<decltype(::GetCurrentThreadId), "GetCurrentThreadId">();
    ASSERT_NE(process, nullptr);
    ASSERT_NE(thread, nullptr);
    EXPECT_EQ(process(), GetCurrentProcessId());
    EXPECT_EQ(thread(), GetCurrentThreadId());
    EXPECT_EQ((Kernel32::bind<decltype(::GetCurrentThreadId), "NoSuchExport">()), nullptr);
    using Missing = LazySystemLibrary<kNoSuchLibrary>;
    EXPECT_EQ((Missing::bind<decltype(::GetCurrentThreadId), "GetCurrentThreadId">()), nullptr);
}

} // namespace
} // namespace launcher
