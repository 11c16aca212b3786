// A service's output file whose path others could turn elsewhere is not
// used: the service says why on standard error and runs on with its
// standard output where it was, leaving the file a link leads to untouched.

#include "base/Text.h"
#include "probe/StandinProbe.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace launcher {
namespace {

namespace fs = std::filesystem;

struct RedirectCase {
    const char* name;
    const char* outputFile; // in the test folder
    const char* refusedAt;  // in the test folder; empty: redirected
    const char* reason;
};

void PrintTo(const RedirectCase& c, std::ostream* out) { *out << c.name; }

class ServiceRedirect : public ::testing::TestWithParam<RedirectCase> {
protected:
    test::TempFolder folder;
    fs::path exe = folder.path() / "viewer";
    fs::path tracePath = folder.path() / "trace.txt";
    test::EnvironmentOverride traceVariable{u"STANDIN_TRACE", tracePath.u16string()};

    void SetUp() override {
        fs::copy_file(test::builtLauncher(), exe);
        fs::permissions(exe, fs::perms::owner_all);
        test::writeBytes(folder.path() / "app.jar", "PK");
        fs::create_directories(folder.path() / "target");
        fs::create_directory_symlink(folder.path() / "target", folder.path() / "link");
        test::writeBytes(folder.path() / "precious.txt", "keep");
        fs::create_symlink(folder.path() / "precious.txt", folder.path() / "out.txt");
        fs::create_hard_link(folder.path() / "precious.txt", folder.path() / "hard.txt");
        fs::create_directories(folder.path() / "open");
        chmod((folder.path() / "open").c_str(), 0777);
        fs::create_directories(folder.path() / "sticky");
        chmod((folder.path() / "sticky").c_str(), 01777);
    }
};

TEST_P(ServiceRedirect, RefusesWhatOthersCouldTurnAndRunsOn) {
    const RedirectCase& c = GetParam();
    const fs::path output = folder.path() / c.outputFile;
    test::writeText(folder.path() / "viewer.ini",
                    u"[Java Runtime Environment]\nMain Class=standin.Echo\nJRE Path=" +
                        test::standinHome("standard").u16string() + u"\n[Class Path]\nClass Path=app.jar\n"
                        u"[Application]\nApplication Type=service\nOutput File=" + output.u16string() + u"\n");
    test::LaunchResult result = test::launch(exe, {"hello"});
    const std::string trace = test::readBytes(tracePath);
    EXPECT_EQ(result.exitCode, 0) << trace;
    EXPECT_EQ(test::readBytes(folder.path() / "precious.txt"), "keep");
    EXPECT_FALSE(fs::exists(folder.path() / "target" / "out.txt"));
    if (!*c.refusedAt) {
        EXPECT_TRUE(result.messages.empty());
        EXPECT_EQ(test::readBytes(output), "hello\n");
        return;
    }
    ASSERT_EQ(result.messages.size(), 1u) << trace;
    EXPECT_EQ(result.messages.front(), "the output file " + output.string() + " is not used: " +
                                           (folder.path() / c.refusedAt).string() + " " + c.reason);
    EXPECT_EQ(trace.find("setOut"), std::string::npos) << trace;
    EXPECT_NE(trace.find("main [hello]"), std::string::npos) << trace;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ServiceRedirect,
    ::testing::Values(
        RedirectCase{"FolderOfItsOwn", "logs/out.txt", "", ""},
        RedirectCase{"SymlinkedFolder", "link/out.txt", "link", "is a link, which may lead to any file"},
        RedirectCase{"SymlinkedFile", "out.txt", "out.txt", "is a link, which may lead to any file"},
        RedirectCase{"HardLinkedFile", "hard.txt", "hard.txt",
                     "has other names (hard links), which may lie in folders that other users can change"},
        RedirectCase{"FolderAnyoneCanChange", "open/out.txt", "open", "other users can rename or replace what is in it"},
        RedirectCase{"StickyFolderWithTheFileMissing", "sticky/out.txt", "sticky",
                     "other users can create files and folders in it, so they can create the rest of the path first"}),
    [](const ::testing::TestParamInfo<RedirectCase>& info) { return std::string(info.param.name); });

} // namespace
} // namespace launcher
