// The facts a service's output path is judged on, as the system gives
// them: a folder of this process's own user passes; one whose access list
// lets everyone change it does not, nor does a link on the way where the
// system can make one (Wine's CreateSymbolicLinkW makes none).

#include "jvm/RedirectionCheck.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <aclapi.h>

namespace launcher {
namespace {

namespace fs = std::filesystem;

// Everyone may do everything in the folder.
bool openToEveryone(const fs::path& folder) {
    EXPLICIT_ACCESS_W access{};
    access.grfAccessPermissions = GENERIC_ALL;
    access.grfAccessMode = SET_ACCESS;
    access.grfInheritance = NO_INHERITANCE;
    wchar_t everyone[] = L"EVERYONE";
    BuildTrusteeWithNameW(&access.Trustee, everyone);
    PACL acl = nullptr;
    if (SetEntriesInAclW(1, &access, nullptr, &acl) != ERROR_SUCCESS) return false;
    std::wstring path = folder.wstring();
    const DWORD result = SetNamedSecurityInfoW(path.data(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                                               acl, nullptr);
    LocalFree(acl);
    return result == ERROR_SUCCESS;
}

TEST(ServiceRedirectFacts, AnOwnFolderPassesOneEveryoneMayChangeDoesNot) {
    test::TempFolder folder;
    EXPECT_FALSE(checkServiceRedirect(folder.text(u"logs\\new\\out.txt")).has_value());

    fs::create_directories(folder.path() / "open");
    ASSERT_TRUE(openToEveryone(folder.path() / "open"));
    std::optional<RedirectRefusal> refusal = checkServiceRedirect(folder.text(u"open\\out.txt"));
    ASSERT_TRUE(refusal.has_value());
    EXPECT_EQ(refusal->part, folder.text(u"open"));
    // A relative path is judged where the runtime would open it, ".."
    // taken away as Windows does.
    const fs::path before = fs::current_path();
    fs::current_path(folder.path());
    std::optional<RedirectRefusal> relative = checkServiceRedirect(u"logs\\..\\open\\out.txt");
    fs::current_path(before);
    ASSERT_TRUE(relative.has_value());
    EXPECT_EQ(relative->part, folder.text(u"open"));
}

TEST(ServiceRedirectFacts, ALinkOnTheWayIsRefused) {
    test::TempFolder folder;
    fs::create_directories(folder.path() / "target");
    const fs::path link = folder.path() / "link";
    CreateSymbolicLinkW(link.c_str(), (folder.path() / "target").c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY);
    if (GetFileAttributesW(link.c_str()) == INVALID_FILE_ATTRIBUTES) GTEST_SKIP() << "no symbolic links here";
    std::optional<RedirectRefusal> refusal = checkServiceRedirect(folder.text(u"link\\out.txt"));
    ASSERT_TRUE(refusal.has_value());
    EXPECT_EQ(refusal->part, folder.text(u"link"));
}

TEST(ServiceRedirectFacts, AFileWithAnotherNameIsRefused) {
    test::TempFolder folder;
    test::writeBytes(folder.path() / "precious.txt", "keep");
    EXPECT_FALSE(checkServiceRedirect(folder.text(u"precious.txt")).has_value());
    ASSERT_TRUE(CreateHardLinkW((folder.path() / "out.txt").c_str(), (folder.path() / "precious.txt").c_str(), nullptr));
    std::optional<RedirectRefusal> refusal = checkServiceRedirect(folder.text(u"out.txt"));
    ASSERT_TRUE(refusal.has_value());
    EXPECT_EQ(refusal->part, folder.text(u"out.txt"));
}

} // namespace
} // namespace launcher
