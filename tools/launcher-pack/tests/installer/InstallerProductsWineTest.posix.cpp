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

// Two products of one name from different vendors that open the same file
// type, packed in turn (ACME's first) and installed in that order. The
// extension's default names the product installed last; each product's
// handler stays offered; removing a product takes the default only while it
// names that product.
class SharedFileType : public InstallerWine {
protected:
    void SetUp() override {
        InstallerWine::SetUp();
        if (IsSkipped()) return;
        extension_ = "HKLM\\Software\\Classes\\.mv" + tag_;
        acme_ = "ACMESons" + tag_ + ".MsiViewer" + tag_ + ".mv" + tag_;
        other_ = "OtherCorp" + tag_ + ".MsiViewer" + tag_ + ".mv" + tag_;
        document_ = folder_.path() / ("drawing.mv" + tag_);
        ASSERT_EQ(pack("acme.msi", "1.0.0.0"), 0) << err_.str();
        acmeFolderText_ = machineFolderText();
        vendor_ = "Other Corp " + tag_;
        upgradeCode_.replace(9, 4, "2222");
        ASSERT_EQ(pack("other.msi", "1.0.0.0"), 0) << err_.str();
        ASSERT_EQ(install("acme.msi"), 0);
        ASSERT_EQ(install("other.msi"), 0);
        EXPECT_EQ(uninstallEntries("HKLM").size(), 2u);
        std::string offered = registry(extension_ + "\\OpenWithProgids");
        EXPECT_TRUE(contains(offered, "\"" + acme_ + "\"=")) << offered;
        EXPECT_TRUE(contains(offered, "\"" + other_ + "\"=")) << offered;
        EXPECT_TRUE(contains(registry(extension_), "@=\"" + other_ + "\""));
        writeBytes(document_, "1");
    }
    std::string command(const std::string& progId) { return registry("HKLM\\Software\\Classes\\" + progId + "\\shell\\open\\command"); }
    std::string commandOf(const std::string& folderText) {
        return "@=\"" + regText("\"" + folderText + "\\" + name_ + ".exe\" \"%1\"") + "\"";
    }

    std::string extension_, acme_, other_, acmeFolderText_;
    fs::path document_;
};

// Removing the product installed last takes the default it wrote; the other
// product's handler stays offered. No removal can give the default back.
TEST_F(SharedFileType, RemovingTheLastOneLeavesNoDefault) {
    ASSERT_EQ(uninstall("other.msi"), 0);
    EXPECT_EQ(uninstallEntries("HKLM").size(), 1u);
    std::string offered = registry(extension_ + "\\OpenWithProgids");
    EXPECT_TRUE(contains(offered, "\"" + acme_ + "\"=")) << offered;
    EXPECT_FALSE(contains(offered, other_)) << offered;
    EXPECT_FALSE(contains(registry(extension_), "@=")) << registry(extension_);
    EXPECT_EQ(registry("HKLM\\Software\\Classes\\" + other_), "");
    EXPECT_TRUE(contains(command(acme_), commandOf(acmeFolderText_))) << command(acme_);
}

// Removing the product installed first leaves the other's default, and its
// documents open with it as before.
TEST_F(SharedFileType, RemovingTheFirstOneKeepsTheOthersDocuments) {
    ASSERT_TRUE(opensWith(document_, machineFolderText())) << trace();
    ASSERT_EQ(uninstall("acme.msi"), 0);
    EXPECT_EQ(uninstallEntries("HKLM").size(), 1u);
    EXPECT_TRUE(contains(registry(extension_), "@=\"" + other_ + "\"")) << registry(extension_);
    EXPECT_FALSE(contains(registry(extension_ + "\\OpenWithProgids"), acme_));
    EXPECT_EQ(registry("HKLM\\Software\\Classes\\" + acme_), "");
    EXPECT_TRUE(contains(command(other_), commandOf(machineFolderText()))) << command(other_);
    EXPECT_TRUE(opensWith(document_, machineFolderText())) << trace();
    // The last one gone, nothing of the file type is left.
    ASSERT_EQ(uninstall("other.msi"), 0);
    EXPECT_EQ(registry(extension_), "");
}

} // namespace
} // namespace launcher::pack
