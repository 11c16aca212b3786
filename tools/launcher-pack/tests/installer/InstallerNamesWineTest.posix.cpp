// Names beyond Windows-1252: a package whose code page holds them installs
// under them on any Windows (Wine's msiexec reads the database in its code
// page, as Windows does); without that code page they are refused. And the
// one taskbar identity of the package's shortcuts and the installed launcher.

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
    // Wine's shell link gives its target back through the system's ANSI
    // code page (1252 here), which has no Cyrillic; its folder it keeps whole.
    EXPECT_TRUE(contains(shortcut(menu), "workdir=" + machineFolderText() + "\\\n")) << shortcut(menu);
    std::vector<std::string> entries = uninstallEntries("HKLM");
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_TRUE(contains(entries[0], "\"Publisher\"=\"" + vendor_ + "\"")) << entries[0];
    EXPECT_TRUE(contains(registry("HKLM\\Software\\" + vendor_ + "\\" + name_), "\"InstallFolder\"=")) << "the remembered folder";

    ASSERT_EQ(uninstall("ru.msi"), 0);
    EXPECT_FALSE(fs::exists(folder.parent_path()));
    EXPECT_FALSE(fs::exists(menu));
    EXPECT_TRUE(uninstallEntries("HKLM").empty());
}

// Wine's msiexec makes shortcuts without their properties, so the package's
// rows are read; the installed launcher's call is seen by Wine's shell,
// which records it on its "fixme" channel.
TEST_F(InstallerWine, ShortcutsAndLauncherCarryOneIdentity) {
    writeBytes(folder_.path() / "app.ini", "[Product Information]\r\nProduct Name=" + name_ +
                                               "\r\n[Java Runtime Environment]\r\nMain Class=standin.Echo\r\n"
                                               "[Class Path]\r\nClass Path=lib\\a.jar\r\n");
    ASSERT_EQ(pack("id.msi", "1.0.0.0", {"--desktop-shortcut"}), 0) << err_.str();
    const std::string id = "ACMESons" + tag_ + ".MsiViewer" + tag_;
    fs::path msiinfo = findTool("msiinfo").value_or("msiinfo");
    std::string rows = runTool(msiinfo, {"export", (folder_.path() / "id.msi").string(), "MsiShortcutProperty"}).output;
    for (const char* shortcut : {"StartMenuShortcut", "DesktopShortcut"}) {
        EXPECT_TRUE(contains(rows, std::string("\t") + shortcut + "\t{9F4C2855-9F79-4B39-A8D0-E1D42DE1D5F3} 5\t" + id + "\r\n")) << rows;
    }
    ASSERT_EQ(install("id.msi"), 0);
    fs::path exe = machineFolder() / (name_ + ".exe");
    EXPECT_TRUE(contains(readBytes(machineFolder() / (name_ + ".ini")), "App User Model ID=" + id + "\r\n"));
    setenv("WINEDEBUG", "-all,fixme+shcore", 1);
    ToolRun run = wine({exe.string(), "shown"});
    setenv("WINEDEBUG", "-all", 1);
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_TRUE(contains(run.output, "SetCurrentProcessExplicitAppUserModelID L\"" + id + "\"")) << run.output;
    EXPECT_TRUE(contains(trace(), "main [shown]")) << trace();
    ASSERT_EQ(uninstall("id.msi"), 0);
}

} // namespace
} // namespace launcher::pack
