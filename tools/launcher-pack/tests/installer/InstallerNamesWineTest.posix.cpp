// Names beyond Windows-1252: a package whose code page holds them installs
// under them on any Windows (Wine's msiexec reads the database in its code
// page, as Windows does); without that code page they are refused.

#include "InstallerWineFixture.h"

namespace launcher::pack {
namespace {

TEST_F(InstallerWine, CyrillicNamesInstallWithTheirCodePage) {
    name_ = "\xD0\x9F\xD1\x80\xD0\xBE\xD1\x81\xD0\xBC\xD0\xBE\xD1\x82\xD1\x80 " + tag_;                  // "Просмотр N"
    vendor_ = "\xD0\x9E\xD0\xB1\xD1\x89\xD0\xB5\xD1\x81\xD1\x82\xD0\xB2\xD0\xBE " + tag_;               // "Общество N"
    writeIni("v1");
    EXPECT_EQ(pack("refused.msi", "1.0.0.0"), 1);
    EXPECT_TRUE(contains(err_.str(), "--name: the name \"" + name_ + "\" holds \"\xD0\x9F\" (U+041F), which the package's "
                                     "code page 1252 (Western European) cannot hold; --codepage 1251 (Cyrillic) holds the whole text"))
        << err_.str();
    EXPECT_FALSE(fs::exists(folder_.path() / "refused.msi"));
    EXPECT_FALSE(fs::exists(folder_.path() / "out"));

    ASSERT_EQ(pack("ru.msi", "1.0.0.0", {"--codepage", "1251", "--desktop-shortcut"}), 0) << err_.str();
    ASSERT_EQ(install("ru.msi"), 0);
    fs::path folder = machineFolder();
    EXPECT_TRUE(fs::exists(folder / (name_ + ".exe"))) << folder;
    EXPECT_EQ(readBytes(folder / "lib/a.jar"), "a v1");
    fs::path menu = startMenuShortcut();
    ASSERT_FALSE(menu.empty()) << "no Start-menu shortcut named " << name_;
    EXPECT_TRUE(contains(shortcut(menu), "target=" + machineFolderText() + "\\" + name_ + ".exe\n")) << shortcut(menu);
    std::vector<std::string> entries = uninstallEntries("HKLM");
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_TRUE(contains(entries[0], "\"Publisher\"=\"" + vendor_ + "\"")) << entries[0];
    EXPECT_TRUE(contains(registry("HKLM\\Software\\" + vendor_ + "\\" + name_), "\"InstallFolder\"=")) << "the remembered folder";

    ASSERT_EQ(uninstall("ru.msi"), 0);
    EXPECT_FALSE(fs::exists(folder.parent_path()));
    EXPECT_FALSE(fs::exists(menu));
    EXPECT_TRUE(uninstallEntries("HKLM").empty());
}

} // namespace
} // namespace launcher::pack
