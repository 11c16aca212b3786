// The package's platform, taken from the main launcher, and the length of
// the paths its files get under the default installation folder.

#include "FileIo.h"
#include "InstallTarget.h"
#include "PackCommand.h"
#include "SyntheticPe.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <sstream>

namespace launcher::pack {
namespace {

// C:\Program Files\ACME, Inc\Viewer\ is 34 characters; an x86 package's
// folder is 6 longer, one without a vendor 10 shorter.
TEST(InstallTarget, PathsUnderTheDefaultFolder) {
    const struct {
        InstallerPlatform platform;
        const char* vendor;
        size_t longest; // of the path inside the folder
    } cases[] = {{InstallerPlatform::X64, "ACME, Inc.", 225}, {InstallerPlatform::X86, "ACME, Inc.", 219}, {InstallerPlatform::X64, "", 235}};
    for (const auto& c : cases) {
        InstallerPackage package;
        package.name = "Viewer";
        package.vendor = c.vendor;
        package.platform = c.platform;
        SCOPED_TRACE(defaultInstallFolder(package));
        std::string fits = "lib/" + std::string(c.longest - 4, 'a');
        std::string over = "lib/" + std::string(c.longest - 5, 'a') + "\xC3\xA9\xC3\xA9"; // two characters, four bytes
        EXPECT_EQ(tooLongInstallPath(package, {"Viewer.exe", fits}), std::nullopt);
        auto found = tooLongInstallPath(package, {"Viewer.exe", over, "b"});
        ASSERT_TRUE(found);
        EXPECT_EQ(found->installPath, over);
        EXPECT_EQ(found->windowsPath, defaultInstallFolder(package) + "lib\\" + over.substr(4));
    }
}

// From the command: an x86 launcher makes an x86 source; an ARM64 one alone
// and a file whose installed path is too long make nothing.
TEST(InstallTarget, PackagesOfTheCommand) {
    launcher::test::TempFolder folder;
    auto write = [&](const char* name, uint16_t machine, bool pe32Plus) {
        test::SyntheticPe pe;
        pe.machine = machine;
        pe.pe32Plus = pe32Plus;
        Bytes bytes = pe.build();
        launcher::test::writeBytes(folder.path() / name, std::string(bytes.begin(), bytes.end()));
    };
    write("x86.exe", 0x014C, false);
    write("arm64.exe", 0xAA64, true);
    launcher::test::writeBytes(folder.path() / "app/lib/app.jar", "PK");
    auto run = [&](const char* launcher, const std::string& dest, std::ostringstream& err) {
        std::ostringstream out;
        return runLauncherPack({"--launcher", displayPath(folder.path() / launcher), "--name", "Viewer", "--dest", displayPath(folder.path() / dest),
                                "--input", displayPath(folder.path() / "app"), "--app-version", "1.0.0.0", "--vendor", "ACME",
                                "--msi-upgrade-code", "8c5a1e2b-0f3d-4a6e-9b71-2d4c6e8f0a13", "--wxs", displayPath(folder.path() / (dest + ".wxs"))},
                               out, err);
    };
    std::ostringstream err;
    ASSERT_EQ(run("x86.exe", "x86", err), 0) << err.str();
    EXPECT_NE(launcher::test::readBytes(folder.path() / "x86.wxs").find(" Platform=\"x86\" "), std::string::npos);

    err.str("");
    EXPECT_EQ(run("arm64.exe", "arm64", err), 1);
    EXPECT_NE(err.str().find("--launcher: built for ARM64 (0xAA64)"), std::string::npos) << err.str();
    EXPECT_FALSE(fs::exists(folder.path() / "arm64"));
    EXPECT_FALSE(fs::exists(folder.path() / "arm64.wxs"));

    // C:\Program Files (x86)\ACME\Viewer\ is 35 characters; lib\FOLDER\FILE 225: one over.
    const std::string deepFolder(100, 'd'), deepFile = std::string(116, 'f') + ".jar";
    launcher::test::writeBytes(folder.path() / "app/lib" / deepFolder / deepFile, "PK");
    err.str("");
    EXPECT_EQ(run("x86.exe", "deep", err), 1);
    std::string named = deepFile + ": installed as C:\\Program Files (x86)\\ACME\\Viewer\\lib\\" + deepFolder + "\\" + deepFile +
                        ", 260 characters; Windows programs open no path over 259 characters";
    EXPECT_NE(err.str().find(named), std::string::npos) << err.str();
    EXPECT_NE(err.str().find("deep"), std::string::npos) << err.str();
    EXPECT_FALSE(fs::exists(folder.path() / "deep"));
    EXPECT_FALSE(fs::exists(folder.path() / "deep.wxs"));
}

} // namespace
} // namespace launcher::pack
