// Installer packages built here, installed with Wine's own msiexec: where
// the files, shortcuts, file types and the Add/Remove Programs entry land,
// what an upgrade and an uninstall leave, and signed packages.

#include "InstallerWineFixture.h"

namespace launcher::pack {
namespace {

TEST_F(InstallerWine, InstallOpenDocumentsAndUninstall) {
    ASSERT_EQ(pack("v1.msi", "1.0.0.0", {"--desktop-shortcut", "--help-url", "https://example.com/help", "--about-url",
                                         "https://example.com/about", "--description", "Views documents"}),
              0) << err_.str();
    std::ostringstream shown, shownErr;
    ASSERT_EQ(runLauncherPack({"--show", (folder_.path() / "v1.msi").string()}, shown, shownErr), 0) << shownErr.str();
    EXPECT_EQ(shown.str(), "format: Windows Installer package\nsignature: none\n");
    // The entry's icon: Wine's msiexec writes no DisplayIcon, so the package says it.
    fs::path msiinfo = findTool("msiinfo").value_or("msiinfo");
    EXPECT_TRUE(contains(runTool(msiinfo, {"export", (folder_.path() / "v1.msi").string(), "Property"}).output,
                         "ARPPRODUCTICON\tApplicationIcon.exe"));
    ASSERT_EQ(install("v1.msi"), 0);
    fs::path folder = machineFolder();
    for (const char* file : {".exe", ".ini"}) EXPECT_TRUE(fs::exists(folder / (name_ + file))) << file;
    EXPECT_EQ(readBytes(folder / "lib/a.jar"), "a v1");
    EXPECT_TRUE(fs::exists(folder / "jre64/bin/server/jvm.dll"));
    EXPECT_FALSE(fs::exists(folder / ".launcher-pack"));

    fs::path menu = startMenuShortcut();
    ASSERT_FALSE(menu.empty()) << "no Start-menu shortcut";
    std::string exe = machineFolderText() + "\\" + name_ + ".exe";
    std::string link = shortcut(menu);
    EXPECT_TRUE(contains(link, "target=" + exe + "\n")) << link;
    EXPECT_TRUE(contains(link, "workdir=" + machineFolderText())) << link;
    // No icon file of its own (Windows Installer's copy is named after the
    // product code, which the next upgrade changes): the shell shows the
    // target's, the installed executable's.
    EXPECT_TRUE(contains(link, "icon=,0\n")) << link;
    auto desktop = [&] {
        return fs::exists(profile_ / "Desktop" / (name_ + ".lnk")) || fs::exists(prefix_ / "drive_c/users/Public/Desktop" / (name_ + ".lnk"));
    };
    EXPECT_TRUE(desktop());
    // None of it reached this machine's own menus.
    EXPECT_FALSE(fs::exists(fs::path(environment("HOME")) / ".local/share/applications/wine/Programs" / (name_ + ".desktop")));

    std::vector<std::string> entries = uninstallEntries("HKLM");
    ASSERT_EQ(entries.size(), 1u);
    for (const std::string& value : std::vector<std::string>{"\"DisplayVersion\"=\"1.0.0\"", "\"Publisher\"=\"ACME & Sons " + tag_ + "\"",
                              "\"HelpLink\"=\"https://example.com/help\"", "\"URLInfoAbout\"=\"https://example.com/about\""}) {
        EXPECT_TRUE(contains(entries[0], value)) << value << " in " << entries[0];
    }

    // Documents open through the shell with the installed program; with
    // single instance on, the second one reaches the running one.
    fs::path first = folder_.path() / ("first doc.mv" + tag_);
    fs::path second = folder_.path() / ("second.mv" + tag_);
    writeBytes(first, "1");
    writeBytes(second, "2");
    std::string classes = registry("HKLM\\Software\\Classes\\.mv" + tag_);
    EXPECT_TRUE(contains(classes, "@=\"ACMESons" + tag_ + ".MsiViewer" + tag_ + ".mv" + tag_ + "\"")) << classes;
    std::thread primary([&] { wine({"start", "/wait", "/unix", first.string()}); });
    bool started = awaitTrace("main [" + windowsPath(first) + "]");
    if (started) {
        EXPECT_EQ(wine({"start", "/wait", "/unix", second.string()}).exitCode, 0);
        EXPECT_TRUE(awaitTrace("secondaryMain [" + windowsPath(second) + "]")) << trace();
        EXPECT_TRUE(contains(trace(), "option -Djava.class.path=" + machineFolderText() + "\\lib\\a.jar")) << trace();
    }
    wine({(folder / (name_ + ".exe")).string(), "stop"});
    primary.join();
    ASSERT_TRUE(started) << trace();

    writeBytes(userIni(), "[Java Runtime Environment]\r\nJRE Path=C:\\chosen\\\r\n");
    ASSERT_EQ(uninstall("v1.msi"), 0);
    EXPECT_FALSE(fs::exists(folder.parent_path())); // the vendor folder too
    EXPECT_FALSE(fs::exists(menu));
    EXPECT_FALSE(desktop());
    EXPECT_TRUE(uninstallEntries("HKLM").empty());
    EXPECT_EQ(registry("HKLM\\Software\\Classes\\.mv" + tag_), "");
    EXPECT_EQ(registry("HKCU\\Software\\" + vendor_ + "\\" + name_), ""); // the shortcuts' key paths
    EXPECT_EQ(readBytes(userIni()), "[Java Runtime Environment]\r\nJRE Path=C:\\chosen\\\r\n");
}

TEST_F(InstallerWine, UserScopeInstallsIntoTheProfile) {
    ASSERT_EQ(pack("user.msi", "2.0.0.0", {"--install-scope", "user"}), 0) << err_.str();
    ASSERT_EQ(install("user.msi"), 0);
    fs::path folder = profile_ / "AppData/Local/Programs" / ("ACME & Sons " + tag_) / name_;
    EXPECT_TRUE(fs::exists(folder / (name_ + ".exe")));
    EXPECT_FALSE(fs::exists(machineFolder()));
    // A per-user package: no ALLUSERS, and its summary says that it needs
    // no elevation (word count 10: compressed, no elevation).
    fs::path msiinfo = findTool("msiinfo").value_or("msiinfo");
    EXPECT_FALSE(contains(runTool(msiinfo, {"export", (folder_.path() / "user.msi").string(), "Property"}).output, "ALLUSERS"));
    EXPECT_TRUE(contains(runTool(msiinfo, {"suminfo", (folder_.path() / "user.msi").string()}).output, "Source: 10 (a)"));
    // Windows keeps a per-user entry under HKCU; Wine writes every entry
    // under HKLM.
    EXPECT_EQ(uninstallEntries("HKCU").size() + uninstallEntries("HKLM").size(), 1u);
    EXPECT_NE(registry("HKCU\\Software\\Classes\\.mv" + tag_), "");
    EXPECT_TRUE(contains(registry("HKCU\\Software\\" + vendor_ + "\\" + name_), "\"InstallFolder\"=\"C:\\\\users\\\\"));
    fs::path menu = startMenuShortcut();
    EXPECT_FALSE(menu.empty());
    ASSERT_EQ(uninstall("user.msi"), 0);
    EXPECT_FALSE(fs::exists(folder.parent_path())); // the vendor folder too
    EXPECT_FALSE(fs::exists(menu));
    EXPECT_EQ(registry("HKCU\\Software\\" + vendor_ + "\\" + name_), "");
    EXPECT_TRUE(uninstallEntries("HKCU").empty());
    EXPECT_TRUE(uninstallEntries("HKLM").empty());
    EXPECT_EQ(registry("HKCU\\Software\\Classes\\.mv" + tag_), "");
}

// The 32-bit launcher makes an x86 package: on 64-bit Windows it installs
// into the 32-bit Program Files folder and remembers the folder in the
// 32-bit registry view, where that launcher reads.
TEST_F(InstallerWine, X86PackageInstallsIntoTheX86ProgramFiles) {
    const std::string x86 = environment("LAUNCHER_X86_BIN");
    if (x86.empty()) GTEST_SKIP() << "LAUNCHER_X86_BIN names no 32-bit build";
    launcher_ = fs::path(x86) / "launcher.exe";
    ASSERT_EQ(pack("x86.msi", "1.0.0.0"), 0) << err_.str();
    ASSERT_EQ(install("x86.msi"), 0);
    fs::path folder = prefix_ / "drive_c/Program Files (x86)" / vendor_ / name_;
    EXPECT_TRUE(fs::exists(folder / (name_ + ".exe")));
    EXPECT_EQ(readBytes(folder / "lib/a.jar"), "a v1");
    EXPECT_FALSE(fs::exists(machineFolder()));
    std::string remembered = registry("HKLM\\Software\\WOW6432Node\\" + vendor_ + "\\" + name_);
    EXPECT_TRUE(contains(remembered, "\"InstallFolder\"=\"C:\\\\Program Files (x86)\\\\" + vendor_ + "\\\\")) << remembered;
    EXPECT_EQ(registry("HKLM\\Software\\" + vendor_ + "\\" + name_), "");
    fs::path menu = startMenuShortcut();
    ASSERT_FALSE(menu.empty());
    EXPECT_TRUE(contains(shortcut(menu), "target=C:\\Program Files (x86)\\" + vendor_ + "\\" + name_ + "\\" + name_ + ".exe\n"));
    ASSERT_EQ(uninstall("x86.msi"), 0);
    EXPECT_FALSE(fs::exists(folder.parent_path()));
    EXPECT_EQ(registry("HKLM\\Software\\WOW6432Node\\" + vendor_ + "\\" + name_), "");
}

// The prefix's profile folders are its own, not links to the home folder of
// whoever runs the tests, where a desktop shortcut would otherwise land.
TEST_F(InstallerWine, ProfileFoldersStayInThePrefix) {
    ASSERT_FALSE(profile_.empty());
    for (const char* name : {"Desktop", "Documents", "Downloads", "Music", "Pictures", "Videos",
                             "AppData/Roaming/Microsoft/Windows/Templates"}) {
        EXPECT_FALSE(fs::is_symlink(profile_ / name)) << name << " -> " << fs::read_symlink(profile_ / name);
        EXPECT_TRUE(fs::is_directory(profile_ / name)) << name;
    }
}

// An administrator's choices on msiexec's command line: DESKTOP_SHORTCUT=0
// leaves out the desktop shortcut of a package built with one (the Start
// menu's stays), FILE_TYPES=0 the file types; removal takes what was
// installed.
TEST_F(InstallerWine, AdministratorLeavesOutDesktopShortcutOrFileTypes) {
    ASSERT_EQ(pack("v1.msi", "1.0.0.0", {"--desktop-shortcut"}), 0) << err_.str();
    const std::string extension = "HKLM\\Software\\Classes\\.mv" + tag_;
    const std::string handler = "HKLM\\Software\\Classes\\ACMESons" + tag_ + ".MsiViewer" + tag_ + ".mv" + tag_;
    ASSERT_EQ(install("v1.msi", {"DESKTOP_SHORTCUT=0"}), 0);
    EXPECT_FALSE(startMenuShortcut().empty());
    EXPECT_FALSE(desktopShortcut());
    EXPECT_NE(registry(extension), "");
    ASSERT_EQ(uninstall("v1.msi"), 0);
    EXPECT_TRUE(startMenuShortcut().empty());

    ASSERT_EQ(install("v1.msi", {"FILE_TYPES=0"}), 0);
    EXPECT_FALSE(startMenuShortcut().empty());
    EXPECT_TRUE(desktopShortcut());
    EXPECT_EQ(registry(extension), "");
    EXPECT_EQ(registry(handler), "");
    EXPECT_TRUE(fs::exists(machineFolder() / (name_ + ".exe")));
    ASSERT_EQ(uninstall("v1.msi"), 0);
    EXPECT_TRUE(startMenuShortcut().empty());
    EXPECT_FALSE(desktopShortcut());
    EXPECT_TRUE(uninstallEntries("HKLM").empty());
}

// Version 1.1.0 packed into the folder of 1.0.0 drops b.jar: the upgrade
// leaves one entry, the new files and no b.jar; the user's own INI stays.
TEST_F(InstallerWine, UpgradeReplacesAndDowngradeIsRefused) {
    ASSERT_EQ(pack("v1.msi", "1.0.0.0"), 0) << err_.str();
    ASSERT_EQ(install("v1.msi"), 0);
    fs::path folder = machineFolder();
    ASSERT_TRUE(fs::exists(folder / "lib/b.jar"));
    writeBytes(userIni(), "[Java Runtime Environment]\r\nJRE Path=C:\\chosen\\\r\n");
    // A service writes its runtime choice into the installed INI.
    writeBytes(folder / (name_ + ".ini"), readBytes(folder / (name_ + ".ini")) + "[Java Runtime Environment]\r\nJRE Path=C:\\svc\\\r\n");

    fs::remove(folder_.path() / "app/lib/b.jar");
    writeBytes(folder_.path() / "app/lib/a.jar", "a v2");
    writeIni("v2");
    ASSERT_EQ(pack("v2.msi", "1.1.0.5", {"--wxs", (folder_.path() / "v2.wxs").string()}), 0) << err_.str();
    EXPECT_TRUE(contains(err_.str(), "warning: Windows Installer ignores the fourth number of --app-version (5)")) << err_.str();
    fs::path msiinfo = findTool("msiinfo").value_or("msiinfo");
    std::string packaged = runTool(msiinfo, {"export", (folder_.path() / "v2.msi").string(), "File"}).output;
    EXPECT_TRUE(contains(packaged, "\ta.jar\t"));
    EXPECT_FALSE(contains(packaged, "b.jar"));
    EXPECT_TRUE(fs::exists(folder_.path() / "out/lib/b.jar")); // left in the reused folder
    EXPECT_FALSE(contains(readBytes(folder_.path() / "v2.wxs"), "b.jar"));
    // The written source names its files relative to itself: it builds from
    // any working folder. It is the WiX toolset's; wixl reads all of it but
    // the components' conditions and the shortcuts' property.
    std::istringstream written(readBytes(folder_.path() / "v2.wxs"));
    std::string forWixl;
    for (std::string line; std::getline(written, line);) {
        if (!contains(line, "<Condition>")) forWixl += line + "\n";
    }
    EXPECT_NE(forWixl.size(), readBytes(folder_.path() / "v2.wxs").size());
    writeBytes(folder_.path() / "v2-wixl.wxs", wixlSource(forWixl).text);
    ToolRun rebuilt = runTool(*findTool("wixl"), {"-a", "x64", "-o", (folder_.path() / "rebuilt.msi").string(),
                                                  (folder_.path() / "v2-wixl.wxs").string()});
    EXPECT_EQ(rebuilt.exitCode, 0) << rebuilt.output;
    ASSERT_EQ(install("v2.msi"), 0);
    std::vector<std::string> entries = uninstallEntries("HKLM");
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_TRUE(contains(entries[0], "\"DisplayVersion\"=\"1.1.0\""));
    EXPECT_EQ(readBytes(folder / "lib/a.jar"), "a v2");
    EXPECT_FALSE(fs::exists(folder / "lib/b.jar"));
    // The old version's removal takes the extension's default it named; the
    // new version writes it again.
    EXPECT_TRUE(contains(registry("HKLM\\Software\\Classes\\.mv" + tag_), "@=\"ACMESons" + tag_ + ".MsiViewer" + tag_ + ".mv" + tag_ + "\""));
    // The upgrade installs the new version's INI: its settings must take effect.
    EXPECT_TRUE(contains(readBytes(folder / (name_ + ".ini")), "; v2"));
    EXPECT_FALSE(contains(readBytes(folder / (name_ + ".ini")), "C:\\svc"));
    EXPECT_EQ(readBytes(userIni()), "[Java Runtime Environment]\r\nJRE Path=C:\\chosen\\\r\n");

    // Older over newer: refused. Windows shows the package's message; Wine's
    // msiexec logs no text for it, so the package itself is read.
    EXPECT_NE(install("v1.msi"), 0);
    EXPECT_TRUE(contains(runTool(msiinfo, {"export", (folder_.path() / "v1.msi").string(), "LaunchCondition"}).output,
                         "NOT WIX_DOWNGRADE_DETECTED\tA newer version of [ProductName] is already installed."));
    entries = uninstallEntries("HKLM");
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_TRUE(contains(entries[0], "\"DisplayVersion\"=\"1.1.0\""));
    EXPECT_EQ(readBytes(folder / "lib/a.jar"), "a v2");
}

// A test certificate, made here; the password reaches osslsigncode only
// through a file of the user's own, gone after the run.
TEST_F(InstallerWine, SignedExecutableAndPackage) {
    fs::path dir = folder_.path();
    fs::path openssl = findTool("openssl").value_or("openssl");
    fs::path osslsigncode = findTool("osslsigncode").value_or("osslsigncode");
    ASSERT_EQ(runTool(openssl, {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-subj", "/CN=Launcher Test Signer", "-days", "30",
                                "-keyout", (dir / "key.pem").string(), "-out", (dir / "cert.pem").string()})
                  .exitCode, 0);
    ASSERT_EQ(runTool(openssl, {"pkcs12", "-export", "-inkey", (dir / "key.pem").string(), "-in", (dir / "cert.pem").string(),
                                "-out", (dir / "signer.p12").string(), "-passout", "pass:s3cret word"})
                  .exitCode, 0);
    writeBytes(dir / "embed.ini", "[Java Runtime Environment]\nVirtual Machine Parameters=-Dembedded.setting=yes\n");
    std::vector<std::string> signing = {"--sign-pkcs12", (dir / "signer.p12").string(), "--sign-password-env", "LAUNCHER_TEST_PASSWORD",
                                        "--embed", (dir / "embed.ini").string(), "--upgrade-code", "{EMBED-1}"};

    setenv("LAUNCHER_TEST_PASSWORD", "wrong", 1);
    EXPECT_EQ(pack("bad.msi", "1.0.0.0", signing), 1);
    EXPECT_TRUE(contains(err_.str(), "signing " + name_ + ".exe: osslsigncode failed")) << err_.str();
    EXPECT_FALSE(fs::exists(dir / "out"));
    EXPECT_FALSE(fs::exists(dir / "bad.msi"));
    setenv("LAUNCHER_TEST_PASSWORD", "s3cret word", 1);
    std::vector<std::string> garbage = signing;
    garbage[1] = (dir / "cert.pem").string(); // no PKCS#12 file
    EXPECT_EQ(pack("bad.msi", "1.0.0.0", garbage), 1);
    EXPECT_TRUE(contains(err_.str(), "osslsigncode failed")) << err_.str();
    EXPECT_FALSE(fs::exists(dir / "out"));
    std::vector<std::string> unreachable = signing;
    unreachable.insert(unreachable.end(), {"--timestamp-url", "http://127.0.0.1:9/"});
    EXPECT_EQ(pack("bad.msi", "1.0.0.0", unreachable), 1);
    EXPECT_TRUE(contains(err_.str(), "osslsigncode failed")) << err_.str();
    EXPECT_FALSE(fs::exists(dir / "out"));

    ASSERT_EQ(pack("signed.msi", "1.0.0.0", signing), 0) << err_.str();
    fs::path exe = dir / "out" / (name_ + ".exe");
    for (const fs::path& file : {exe, dir / "signed.msi"}) {
        ToolRun verify = runTool(osslsigncode, {"verify", "-CAfile", (dir / "cert.pem").string(), "-in", file.string()});
        EXPECT_EQ(verify.exitCode, 0) << verify.output;
        EXPECT_TRUE(contains(verify.output, "Signature verification: ok")) << verify.output;
        std::ostringstream out, err;
        ASSERT_EQ(runLauncherPack({"--show", file.string()}, out, err), 0) << err.str();
        EXPECT_TRUE(contains(out.str(), "signature: present\n")) << out.str();
    }
    // A time stamp added afterwards, offline, by osslsigncode's own time-stamp
    // authority, keeps the package's signature valid.
    ASSERT_EQ(runTool(openssl, {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-subj", "/CN=Launcher Test Time Stamps", "-days",
                                "30", "-addext", "extendedKeyUsage=critical,timeStamping", "-keyout", (dir / "tsa-key.pem").string(),
                                "-out", (dir / "tsa.pem").string()})
                  .exitCode, 0);
    ToolRun stamped = runTool(osslsigncode, {"add", "-TSA-certs", (dir / "tsa.pem").string(), "-TSA-key", (dir / "tsa-key.pem").string(),
                                              "-in", (dir / "signed.msi").string(), "-out", (dir / "stamped.msi").string()});
    EXPECT_EQ(stamped.exitCode, 0) << stamped.output;
    ToolRun verify = runTool(osslsigncode, {"verify", "-CAfile", (dir / "cert.pem").string(), "-TSA-CAfile",
                                             (dir / "tsa.pem").string(), "-in", (dir / "stamped.msi").string()});
    EXPECT_TRUE(contains(verify.output, "Signature verification: ok")) << verify.output;

    // The signed program still reads its embedded settings.
    setenv("STANDIN_TRACE", (dir / "signed-trace.txt").c_str(), 1);
    writeBytes(dir / "out" / (name_ + ".ini"), "[Product Information]\r\nUpgrade Code={EMBED-1}\r\n[Java Runtime Environment]\r\nMain Class=standin.Echo\r\n[Class Path]\r\nClass Path=lib\\a.jar\r\n");
    wine({exe.string(), "signed"});
    EXPECT_TRUE(contains(readBytes(dir / "signed-trace.txt"), "option -Dembedded.setting=yes")) << readBytes(dir / "signed-trace.txt");
}

} // namespace
} // namespace launcher::pack
