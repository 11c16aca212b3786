#include "install/RuntimeInstall.h"

#include "base/Text.h"
#include "support/LoopbackServer.h"
#include "support/RefusedArchives.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace launcher {
namespace {

namespace fs = std::filesystem;

// A download's name that is still taken (a leftover another program holds
// open, which the clearing of leftovers cannot remove) moves the download
// to the next name instead of ending the install.
TEST(RuntimeInstallNames, ATakenDownloadNameMovesToTheNext) {
    test::EnvironmentOverride noHttpProxy{u"http_proxy", std::nullopt};
    test::TempFolder temp;
    test::LoopbackServer server;
    const std::string zip = test::runtimeArchive(
        test::fakeRuntime(test::kOwnMachine));
    server.serve("/jre.zip", test::ServedReply{.body = zip});
    const fs::path runtimes = temp.path() / "product" / "runtime";
    fs::create_directories(runtimes);
    const fs::path held = runtimes / "0123456789abcdef.download-1";
    test::writeBytes(held, "a crashed install's download");
    const HANDLE holder = CreateFileW(held.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    const RuntimePin pin{.url = fromUtf8(server.url("/jre.zip")), .sha256 = fromUtf8(test::checksumOf(zip)),
                         .size = std::nullopt, .folder = (runtimes / "0123456789abcdef").u16string()};
    const InstallResult result = installRuntime(pin);
    CloseHandle(holder);
    ASSERT_EQ(result.outcome, InstallOutcome::Installed) << toUtf8(result.message);
    EXPECT_EQ(test::namesInFolder(runtimes),
              (std::vector<std::string>{"0123456789abcdef", "0123456789abcdef.download-1", "install.lock"}));
}

} // namespace
} // namespace launcher
