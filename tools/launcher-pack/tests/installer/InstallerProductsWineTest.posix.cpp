// Packages that meet on one machine: a rebuild of the installed version, an
// upgrade of an installation in a folder the user chose, and two products
// of one name from different vendors that open the same file type.

#include "InstallerWineFixture.h"

namespace launcher::pack {
namespace {

// Text as "reg export" writes it inside a value's quotation marks.
std::string regText(const std::string& text) {
    std::string result;
    for (char c : text) {
        if (c == '\\' || c == '"') result += '\\';
        result += c;
    }
    return result;
}

TEST_F(InstallerWine, RebuildOfTheInstalledVersionReplacesIt) {
    ASSERT_EQ(pack("first.msi", "1.2.0.0"), 0) << err_.str();
    EXPECT_EQ(err_.str(), ""); // wixl's warnings about what it ignores stay its own
    ASSERT_EQ(install("first.msi"), 0);
    fs::path folder = machineFolder();
    ASSERT_TRUE(fs::exists(folder / "lib/b.jar"));

    fs::remove(folder_.path() / "app/lib/b.jar");
    writeBytes(folder_.path() / "app/lib/a.jar", "a rebuilt");
    writeBytes(folder_.path() / "app/lib/c.jar", "c rebuilt");
    ASSERT_EQ(pack("rebuilt.msi", "1.2.0.0"), 0) << err_.str();
    ASSERT_EQ(install("rebuilt.msi"), 0);
    std::vector<std::string> entries = uninstallEntries("HKLM");
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_TRUE(contains(entries[0], "\"DisplayVersion\"=\"1.2.0\"")) << entries[0];
    EXPECT_TRUE(contains(entries[0], "\"InstallLocation\"=\"" + regText(machineFolderText() + "\\") + "\"")) << entries[0];
    EXPECT_EQ(readBytes(folder / "lib/a.jar"), "a rebuilt");
    EXPECT_EQ(readBytes(folder / "lib/c.jar"), "c rebuilt");
    EXPECT_FALSE(fs::exists(folder / "lib/b.jar"));

    // An earlier version is still refused.
    ASSERT_EQ(pack("earlier.msi", "1.1.9.0"), 0) << err_.str();
    EXPECT_NE(install("earlier.msi"), 0);
    entries = uninstallEntries("HKLM");
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_TRUE(contains(entries[0], "\"DisplayVersion\"=\"1.2.0\"")) << entries[0];
    EXPECT_EQ(readBytes(folder / "lib/a.jar"), "a rebuilt");
}

// The folder of the first install is remembered; an upgrade that names
// another on its command line moves there, and the next one stays there.
TEST_F(InstallerWine, UpgradeInstallsIntoTheFolderTheUserChose) {
    ASSERT_EQ(pack("v1.msi", "1.0.0.0"), 0) << err_.str();
    fs::path custom = prefix_ / "drive_c" / ("custom" + tag_) / "place";
    ASSERT_EQ(install("v1.msi", {"INSTALLDIR=C:\\custom" + tag_ + "\\place"}), 0);
    ASSERT_TRUE(fs::exists(custom / (name_ + ".exe")));
    ASSERT_FALSE(fs::exists(machineFolder()));

    writeBytes(folder_.path() / "app/lib/a.jar", "a v2");
    writeIni("v2");
    ASSERT_EQ(pack("v2.msi", "1.1.0.0"), 0) << err_.str();
    ASSERT_EQ(install("v2.msi"), 0);
    EXPECT_EQ(readBytes(custom / "lib/a.jar"), "a v2");
    EXPECT_TRUE(contains(readBytes(custom / (name_ + ".ini")), "; v2"));
    EXPECT_FALSE(fs::exists(machineFolder()));
    std::vector<std::string> entries = uninstallEntries("HKLM");
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_TRUE(contains(entries[0], "\"DisplayVersion\"=\"1.1.0\"")) << entries[0];
    EXPECT_TRUE(contains(entries[0], "\"InstallLocation\"=\"C:\\\\custom" + tag_ + "\\\\place\\\\\"")) << entries[0];

    fs::path moved = prefix_ / "drive_c" / ("moved" + tag_);
    writeBytes(folder_.path() / "app/lib/a.jar", "a v3");
    ASSERT_EQ(pack("v3.msi", "1.2.0.0"), 0) << err_.str();
    ASSERT_EQ(install("v3.msi", {"INSTALLDIR=C:\\moved" + tag_}), 0);
    EXPECT_EQ(readBytes(moved / "lib/a.jar"), "a v3");
    EXPECT_FALSE(fs::exists(custom));
    writeBytes(folder_.path() / "app/lib/a.jar", "a v4");
    ASSERT_EQ(pack("v4.msi", "1.3.0.0"), 0) << err_.str();
    ASSERT_EQ(install("v4.msi"), 0);
    EXPECT_EQ(readBytes(moved / "lib/a.jar"), "a v4");
    EXPECT_FALSE(fs::exists(custom));
    EXPECT_FALSE(fs::exists(machineFolder()));
    entries = uninstallEntries("HKLM");
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_TRUE(contains(entries[0], "\"InstallLocation\"=\"C:\\\\moved" + tag_ + "\\\\\"")) << entries[0];

    ASSERT_EQ(uninstall("v4.msi"), 0);
    EXPECT_FALSE(fs::exists(moved));
    EXPECT_EQ(registry("HKLM\\Software\\" + vendor_ + "\\" + name_), "");
}

// The extension's default names the product installed last; each product's
// handler stays offered, and removing one leaves the other's.
TEST_F(InstallerWine, TwoVendorsProductsOfOneNameShareAFileType) {
    ASSERT_EQ(pack("acme.msi", "1.0.0.0"), 0) << err_.str();
    fs::path acmeFolder = machineFolder();
    std::string acmeFolderText = machineFolderText();
    vendor_ = "Other Corp " + tag_;
    upgradeCode_.replace(9, 4, "2222");
    ASSERT_EQ(pack("other.msi", "1.0.0.0"), 0) << err_.str();
    ASSERT_EQ(install("acme.msi"), 0);
    ASSERT_EQ(install("other.msi"), 0);
    EXPECT_EQ(uninstallEntries("HKLM").size(), 2u);
    EXPECT_TRUE(fs::exists(acmeFolder / (name_ + ".exe")));
    EXPECT_TRUE(fs::exists(machineFolder() / (name_ + ".exe")));

    const std::string extension = "HKLM\\Software\\Classes\\.mv" + tag_;
    const std::string acme = "ACMESons" + tag_ + ".MsiViewer" + tag_ + ".mv" + tag_;
    const std::string other = "OtherCorp" + tag_ + ".MsiViewer" + tag_ + ".mv" + tag_;
    std::string offered = registry(extension + "\\OpenWithProgids");
    EXPECT_TRUE(contains(offered, "\"" + acme + "\"=")) << offered;
    EXPECT_TRUE(contains(offered, "\"" + other + "\"=")) << offered;
    EXPECT_TRUE(contains(registry(extension), "@=\"" + other + "\""));

    ASSERT_EQ(uninstall("other.msi"), 0);
    EXPECT_EQ(uninstallEntries("HKLM").size(), 1u);
    offered = registry(extension + "\\OpenWithProgids");
    EXPECT_TRUE(contains(offered, "\"" + acme + "\"=")) << offered;
    EXPECT_FALSE(contains(offered, other)) << offered;
    EXPECT_EQ(registry("HKLM\\Software\\Classes\\" + other), "");
    std::string command = registry("HKLM\\Software\\Classes\\" + acme + "\\shell\\open\\command");
    EXPECT_TRUE(contains(command, "@=\"" + regText("\"" + acmeFolderText + "\\" + name_ + ".exe\" \"%1\"") + "\"")) << command;
}

} // namespace
} // namespace launcher::pack
