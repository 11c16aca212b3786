#include "install/TerminalInstall.h"
#include "launcher/RuntimeInstallHook.h"

#include <gtest/gtest.h>

namespace launcher {
namespace {

int installerCalls = 0;
bool countingInstaller(const RuntimeDownload&, const std::u16string&) {
    ++installerCalls;
    return true;
}

// Only a start that may use the pinned runtime's folder installs into it.
TEST(RuntimeInstallHook, InstallsOnlyAPinThisStartMayUse) {
    const RuntimeDownload pin{.url = u"https://example.com/jre.zip", .sha256 = std::u16string(64, u'a')};
    const std::u16string folder = u"/data/viewer/CODE/runtime/aaaaaaaaaaaaaaaa/";
    installerCalls = 0;
    setRuntimeInstaller(nullptr);
    EXPECT_FALSE(installPinnedRuntime(pin, folder, u""));
    setRuntimeInstaller(&countingInstaller);
    EXPECT_FALSE(installPinnedRuntime(RuntimeDownload{}, folder, u""));
    EXPECT_FALSE(installPinnedRuntime(pin, u"", u""));
    EXPECT_FALSE(installPinnedRuntime(pin, folder, u"the process is elevated"));
    EXPECT_EQ(installerCalls, 0);
    EXPECT_TRUE(installPinnedRuntime(pin, folder, u""));
    EXPECT_EQ(installerCalls, 1);
    setRuntimeInstaller(nullptr);
}

TEST(RuntimeInstallHook, ProgressLineInMegabytes) {
    EXPECT_EQ(progressLine(0, std::nullopt), u"Downloading the Java runtime: 0.0 MB");
    EXPECT_EQ(progressLine(12'549'999, 45'000'000), u"Downloading the Java runtime: 12.5 of 45.0 MB (27%)");
    EXPECT_EQ(progressLine(45'000'000, 45'000'000), u"Downloading the Java runtime: 45.0 of 45.0 MB (100%)");
    EXPECT_EQ(progressLine(7'000'000, 0), u"Downloading the Java runtime: 7.0 MB");
}

} // namespace
} // namespace launcher
