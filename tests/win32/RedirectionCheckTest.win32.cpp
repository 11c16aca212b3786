// The facts a service's output path is judged on, as the system gives
// them: a link on the way is seen as one (Wine reports a Unix symbolic link
// as a reparse point), and a folder of this process's own user passes.

#include "jvm/RedirectionCheck.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace launcher {
namespace {

namespace fs = std::filesystem;

TEST(ServiceRedirectFacts, ALinkOnTheWayIsRefusedAnOwnFolderIsNot) {
    test::TempFolder folder;
    fs::create_directories(folder.path() / "target");
    const fs::path link = folder.path() / "link";
    if (!CreateSymbolicLinkW(link.c_str(), (folder.path() / "target").c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY)) {
        GTEST_SKIP() << "no symbolic links here (error " << GetLastError() << ")";
    }
    std::optional<RedirectRefusal> refusal = checkServiceRedirect(folder.text(u"link\\out.txt"));
    ASSERT_TRUE(refusal.has_value());
    EXPECT_EQ(refusal->part, folder.text(u"link"));

    EXPECT_FALSE(checkServiceRedirect(folder.text(u"logs\\new\\out.txt")).has_value());
    // A relative path is judged where the runtime would open it, ".."
    // taken away as Windows does.
    const fs::path before = fs::current_path();
    fs::current_path(folder.path());
    std::optional<RedirectRefusal> relative = checkServiceRedirect(u"logs\\..\\link\\out.txt");
    fs::current_path(before);
    ASSERT_TRUE(relative.has_value());
    EXPECT_EQ(relative->part, folder.text(u"link"));
}

} // namespace
} // namespace launcher
