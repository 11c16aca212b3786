// A pinned runtime's folder that a cleaner damaged is installed again, in
// place of the damaged one; a sound runtime that only does not fit this
// launcher is no damage and stays as it is.

#include "install/RuntimeInstall.h"

#include "base/Text.h"
#include "support/LoopbackServer.h"
#include "support/RefusedArchives.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace launcher {
namespace {

namespace fs = std::filesystem;

using test::kOwnMachine;
// A runtime this build cannot load.
constexpr test::Machine kOtherMachine = test::kOtherWidth;

class RuntimeRepair : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(server.listening());
        server.serve("/jre.zip", test::ServedReply{.body = zip});
    }
    RuntimePin pin() const {
        return {.url = fromUtf8(server.url("/jre.zip")), .sha256 = fromUtf8(test::checksumOf(zip)), .size = std::nullopt,
                .folder = test::nativePath(temp.text(u"product/runtime/0123456789abcdef"))};
    }
    fs::path installed() const { return temp.path() / "product" / "runtime" / "0123456789abcdef"; }
    // Lays out files (named below the runtime's folder) as a start found them.
    void leave(const std::vector<test::ZipItem>& files) const {
        for (const test::ZipItem& file : files) {
            fs::create_directories((installed() / file.name).parent_path());
            test::writeBytes(installed() / file.name, file.data);
        }
    }

    test::EnvironmentOverride noHttpProxy{u"http_proxy", std::nullopt};
    test::TempFolder temp;
    test::LoopbackServer server;
    const std::string library = test::fakeRuntimeLibrary();
    const std::string zip = test::runtimeArchive(test::fakeRuntime(kOwnMachine));
};

TEST_F(RuntimeRepair, ADamagedFolderIsInstalledAgain) {
    const std::vector<test::ZipItem> sound = test::fakeRuntime(kOwnMachine);
    struct Row {
        const char* what;
        std::vector<test::ZipItem> left;
    } const rows[] = {
        {"nothing left in it", {}},
        {"its runtime library removed", {{.name = "release", .data = "JAVA_VERSION=\"21\"\n"}}},
        {"its runtime library cut short", {{.name = library, .data = test::libraryImage(kOwnMachine).substr(0, 10)}}},
        {"its runtime library emptied", {{.name = library, .data = ""}}},
    };
    int requests = 0;
    for (const Row& row : rows) {
        fs::create_directories(installed());
        leave(row.left);
        const InstallResult result = installRuntime(pin());
        ASSERT_EQ(result.outcome, InstallOutcome::Installed) << row.what << ": " << toUtf8(result.message);
        EXPECT_EQ(test::readBytes(installed() / library), sound[1].data) << row.what;
        EXPECT_TRUE(fs::exists(installed() / "bin" / "java")) << row.what;
        EXPECT_EQ(test::namesInFolder(installed().parent_path()),
                  (std::vector<std::string>{"0123456789abcdef", "install.lock"})) << row.what;
        EXPECT_EQ(server.connections(), ++requests) << row.what;
        // Sound now: the next install finds it.
        EXPECT_EQ(installRuntime(pin()).outcome, InstallOutcome::FoundInstalled) << row.what;
        fs::remove_all(installed());
    }
    EXPECT_EQ(server.connections(), requests);
}

// Another width's runtime in the folder is sound: the launcher of that
// width may use it, so it is neither replaced nor downloaded over.
TEST_F(RuntimeRepair, ASoundRuntimeOfAnotherWidthIsLeftAlone) {
    leave(test::fakeRuntime(kOtherMachine));
    EXPECT_EQ(installedRuntimeDamage(test::nativePath(temp.text(u"product/runtime/0123456789abcdef"))), u"");
    EXPECT_EQ(installRuntime(pin()).outcome, InstallOutcome::FoundInstalled);
    EXPECT_EQ(test::readBytes(installed() / library), test::fakeRuntime(kOtherMachine)[1].data);
    EXPECT_EQ(server.connections(), 0);
}

} // namespace
} // namespace launcher
