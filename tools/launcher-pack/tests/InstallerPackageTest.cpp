// The checks of the installer options and the WiX text built from them.

#include "InstallerPackage.h"
#include "WixSource.h"

#include <gtest/gtest.h>

#include <regex>
#include <set>

namespace launcher::pack {
namespace {

// The error text of a call that throws PackError, or "" when it does not.
template <typename F>
std::string failure(F call) {
    try {
        call();
    } catch (const PackError& e) {
        return e.what();
    }
    return "";
}

TEST(InstallerOptions, UpgradeCodes) {
    EXPECT_EQ(checkedGuid("8c5a1e2b-0f3d-4a6e-9b71-2d4c6e8f0a13"), "{8C5A1E2B-0F3D-4A6E-9B71-2D4C6E8F0A13}");
    EXPECT_EQ(checkedGuid("{8C5A1E2B-0F3D-4A6E-9B71-2D4C6E8F0A13}"), "{8C5A1E2B-0F3D-4A6E-9B71-2D4C6E8F0A13}");
    for (const char* bad : {"", "{}", "8C5A1E2B0F3D4A6E9B712D4C6E8F0A13", "{8C5A1E2B-0F3D-4A6E-9B71-2D4C6E8F0A13",
                            "8C5A1E2B-0F3D-4A6E-9B71-2D4C6E8F0A1G", "{8C5A1E2B-0F3D-4A6E-9B71-2D4C6E8F0A13}x",
                            " 8C5A1E2B-0F3D-4A6E-9B71-2D4C6E8F0A1"}) {
        EXPECT_NE(failure([&] { checkedGuid(bad); }).find("uuidgen"), std::string::npos) << bad;
    }
}

TEST(InstallerOptions, VersionsWithinTheInstallersLimits) {
    EXPECT_EQ(installerVersion({1, 2, 3, 4}), "1.2.3");
    EXPECT_EQ(installerVersion({255, 255, 65535, 0}), "255.255.65535");
    EXPECT_NE(failure([] { installerVersion({256, 0, 0, 0}); }).find("at most 255"), std::string::npos);
    EXPECT_NE(failure([] { installerVersion({1, 256, 0, 0}); }).find("minor version is 256"), std::string::npos);
}

TEST(InstallerOptions, FileAssociations) {
    FileAssociation plain = parseFileAssociation("hlo", "Hello", 1252);
    EXPECT_EQ(plain.extension, "hlo");
    EXPECT_EQ(plain.description, "Hello document");
    FileAssociation described = parseFileAssociation("my-doc_2:Drawing: large [A3]", "Hello", 1252);
    EXPECT_EQ(described.extension, "my-doc_2");
    EXPECT_EQ(described.description, "Drawing: large [A3]");
    for (const char* bad : {"", ".hlo", "a/b", "a\\b", "a b", "EXE", "lnk", "Bat", "cmd", "com", "msi", "h\xC3\xA9",
                            ":Text", "x123456789012345678901234567890123"}) {
        EXPECT_NE(failure([&] { parseFileAssociation(bad, "Hello", 1252); }), "") << bad;
    }
    EXPECT_NE(failure([] { parseFileAssociation("hlo:\xE2\x82\xAC ok \xCE\xA9", "Hello", 1252); }).find("\"\xCE\xA9\" (U+03A9)"),
              std::string::npos);
    EXPECT_EQ(parseFileAssociation("hlo:\xE2\x82\xAC ok \xCE\xA9", "Hello", 1253).description, "\xE2\x82\xAC ok \xCE\xA9");
}

TEST(InstallerOptions, TextTheInstallerCanCarry) {
    for (const char* good : {"", "Plain & \"quoted\"", "Price $5 (approx.)!", "D\xC3\xA9mo \xC3\xBF", "\xE2\x82\xAC \xE2\x84\xA2 \xC5\x92"}) {
        EXPECT_EQ(failure([&] { checkInstallerText(good, "the name", 1252); }), "") << good;
    }
    // Beyond the code page (which its own tests cover), control characters and WiX's variables.
    for (const char* bad : {"\xCE\xA9mega", "\xE6\x97\xA5\xE6\x9C\xAC", "tab\there", "\xC2\x81", "\xF0\x9F\x98\x80", "\xFF",
                            "a$(x).jar", "b!(loc.y)", "P $$ Q", "a$$b.txt"}) {
        EXPECT_NE(failure([&] { checkInstallerText(bad, "the name", 1252); }).find("the name"), std::string::npos) << bad;
    }
    EXPECT_EQ(failure([] { checkInstallerText("\xCE\xA9mega", "the name", 1253); }), "");
    EXPECT_NE(failure([] { checkInstallerText("\xC2\x81", "the name", 1253); }).find("control character"), std::string::npos);
}

TEST(InstallerOptions, WindowsFileNames) {
    for (const char* good : {"ACME", "A.B", "Con Edison", "LPT10", ".hidden", "x y"}) EXPECT_TRUE(isWindowsFileName(good)) << good;
    for (const char* bad : {"", ".", "..", "a.", "a ", "a/b", "a\\b", "a:b", "a*", "a?", "a|b", "<a>", "\"a\"", "CON", "con.txt",
                            "NUL ", "com1", "LPT9.log", "a\x01"}) {
        EXPECT_FALSE(isWindowsFileName(bad)) << bad;
    }
}

TEST(InstallerOptions, VendorFolderNames) {
    for (auto [vendor, folder] : std::vector<std::pair<std::string, std::string>>{
             {"ACME", "ACME"}, {"ACME, Inc.", "ACME, Inc"}, {"A. B . . ", "A. B"}, {"A.B", "A.B"}, {"...", ""}, {" .", ""}}) {
        EXPECT_EQ(vendorFolderName(vendor), folder) << vendor;
    }
}

TEST(InstallerOptions, NextVersions) {
    for (auto [version, next] : std::vector<std::pair<std::string, std::string>>{
             {"1.2.3", "1.2.4"}, {"0.0.0", "0.0.1"}, {"1.2.65535", "1.3.0"}, {"1.255.65535", "2.0.0"}, {"254.255.65535", "255.0.0"},
             {"255.255.65534", "255.255.65535"}}) {
        EXPECT_EQ(nextInstallerVersion(version), next) << version;
    }
    EXPECT_EQ(nextInstallerVersion("255.255.65535"), std::nullopt);
}

TEST(InstallerOptions, ProgIds) {
    struct Case {
        std::string vendor, name, extension, progId; // progId "": only checked for its form
    };
    const std::string longVendor = "International Business Widgets Corporation";
    const std::string longName = "Document Viewer Professional Edition";
    const std::vector<Case> cases = {
        {"ACME", "Viewer", "vwr", "ACME.Viewer.vwr"}, {"", "Viewer", "vwr", "Viewer.vwr"},
        {"ACME, Inc.", "Viewer 2 (beta)", "VWR", "ACMEInc.Viewer2beta.VWR"}, {"3M", "Viewer", "x", "App3M.Viewer.x"},
        {"", "7-Zip", "7z", "App7Zip.7z"}, {"&&", "++", "x", "Application.x"},
        {"ACME", "Viewer", "my-doc", ""}, {"ACME", "Viewer", "mydoc", "ACME.Viewer.mydoc"}, {"ACME", "Viewer", "my_doc", ""},
        {"ACME", "Viewer", "-", ""}, {"ACME", "Viewer", "_", ""},
        {longVendor, longName, "vwr", ""}, {longVendor, longName + " 2", "vwr", ""}, {longVendor + " 2", longName, "vwr", ""},
        {"", longName + longName, "vwr", ""}, {"", longName + longName + "!", "vwr", ""},
        {"A", "B", std::string(32, 'x'), ""}, {"A", "B", std::string(31, 'x') + "y", ""}, {longVendor, "V", "vwr", ""},
        {"Other", "Viewer", "vwr", "Other.Viewer.vwr"}};
    std::regex form("[A-Za-z][A-Za-z0-9]*(\\.[A-Za-z0-9]+)*");
    std::set<std::string> seen;
    for (const Case& c : cases) {
        std::string progId = progIdFor(c.vendor, c.name, c.extension);
        if (!c.progId.empty()) {
            EXPECT_EQ(progId, c.progId);
        }
        EXPECT_TRUE(std::regex_match(progId, form)) << progId;
        EXPECT_LE(progId.size(), 39u) << progId;
        EXPECT_TRUE(seen.insert(progId).second) << "two products meet at " << progId;
        EXPECT_EQ(progIdFor(c.vendor, c.name, c.extension), progId); // the same for every version
    }
    // Shortened ones keep the start of each part and the extension.
    std::string shortened = progIdFor(longVendor, longName, "vwr");
    EXPECT_TRUE(shortened.starts_with("Intern") && shortened.find(".Document") != std::string::npos) << shortened;
    EXPECT_TRUE(shortened.ends_with(".vwr")) << shortened;
}

TEST(InstallerOptions, NamesThatWindowsTakesForOneFile) {
    using Clash = std::optional<std::pair<std::string, std::string>>;
    struct Row {
        std::vector<std::string> paths;
        Clash clash;
    };
    for (const Row& row : {Row{{"A.txt", "b.txt", "lib/a.txt"}, std::nullopt},
                           Row{{"A.txt", "b.txt", "a.txt"}, Clash{{"A.txt", "a.txt"}}},
                           Row{{"Lib/x.jar", "lib/X.JAR"}, Clash{{"Lib/x.jar", "lib/X.JAR"}}},
                           Row{{"\xC3\xA9t\xC3\xA9.txt", "\xC3\x89T\xC3\x89.txt"}, Clash{{"\xC3\xA9t\xC3\xA9.txt", "\xC3\x89T\xC3\x89.txt"}}},
                           Row{{"\xC5\x93uvre", "\xC5\x92UVRE", "x"}, Clash{{"\xC5\x93uvre", "\xC5\x92UVRE"}}},
                           Row{{"\xC3\xBF", "\xC5\xB8"}, Clash{{"\xC3\xBF", "\xC5\xB8"}}},
                           Row{{"a\xC3\xB7", "a\xC3\x97"}, std::nullopt}, // division and multiplication signs
                           // Cyrillic, Greek and Central European letters of their own code pages.
                           Row{{"\xD1\x84\xD0\xB0\xD0\xB9\xD0\xBB", "\xD0\xA4\xD0\x90\xD0\x99\xD0\x9B"},
                               Clash{{"\xD1\x84\xD0\xB0\xD0\xB9\xD0\xBB", "\xD0\xA4\xD0\x90\xD0\x99\xD0\x9B"}}},
                           Row{{"\xD1\x91\xD0\xB6", "\xD0\x81\xD0\x96"}, Clash{{"\xD1\x91\xD0\xB6", "\xD0\x81\xD0\x96"}}},
                           Row{{"\xCF\x83\xCF\x82\xCE\xAC", "\xCE\xA3\xCE\xA3\xCE\x86"},
                               Clash{{"\xCF\x83\xCF\x82\xCE\xAC", "\xCE\xA3\xCE\xA3\xCE\x86"}}},
                           Row{{"\xC5\x82\xC3\xB3" "d\xC5\xBA", "\xC5\x81\xC3\x93" "D\xC5\xB9"},
                               Clash{{"\xC5\x82\xC3\xB3" "d\xC5\xBA", "\xC5\x81\xC3\x93" "D\xC5\xB9"}}},
                           Row{{"\xC4\x9F", "\xC4\x9E", "\xC4\xB1"}, Clash{{"\xC4\x9F", "\xC4\x9E"}}},
                           Row{{}, std::nullopt}}) {
        EXPECT_EQ(caseOnlyClash(row.paths), row.clash) << row.paths.size();
    }
}

TEST(WixText, Escaping) {
    EXPECT_EQ(xmlText(R"(A & B <c> "d" 'e')"), "A &amp; B &lt;c&gt; &quot;d&quot; &apos;e&apos;");
    EXPECT_EQ(xmlText("D\xC3\xA9mo"), "D\xC3\xA9mo");
    EXPECT_EQ(xmlText("lib/c$d.jar"), "lib/c$$d.jar");
    EXPECT_EQ(formattedText("Doc [A3] {x} %1"), "Doc [\\[]A3[\\]] [\\{]x[\\}] %1");
}

TEST(WixText, IdentifiersFromAnyPath) {
    std::regex valid("[A-Za-z_][A-Za-z0-9_.]{0,71}");
    std::string deep(300, 'a');
    std::vector<std::string> paths = {"app.jar", "lib/app.jar", "lib/app-1.0.jar", "lib/app_1.0.jar", "1st file", "-x",
                                      "D\xC3\xA9mo/\xC3\xA9t\xC3\xA9.txt", deep + "/one", deep + "/two", "lib/a b", "lib/a+b"};
    std::set<std::string> ids;
    for (const std::string& path : paths) {
        std::string id = wixIdentifier("f", path);
        EXPECT_TRUE(std::regex_match(id, valid)) << path << " -> " << id;
        ids.insert(id);
    }
    EXPECT_EQ(ids.size(), paths.size()); // distinct paths, distinct identifiers
    EXPECT_EQ(wixIdentifier("f", "lib/app.jar"), wixIdentifier("f", "lib/app.jar"));
}

InstallerPackage sample(InstallScope scope, std::string vendor) {
    InstallerPackage package;
    package.name = "Viewer & \"Co\"";
    package.vendor = std::move(vendor);
    package.version = "1.2.3";
    package.upgradeCode = "{8C5A1E2B-0F3D-4A6E-9B71-2D4C6E8F0A13}";
    package.scope = scope;
    package.associations = {{"vw", "View [doc]"}};
    package.executable = "Viewer.exe";
    package.files = {{"Viewer.exe", "out/Viewer.exe"}, {"lib/a&b.jar", "out/lib/a&b.jar"}, {"jre64/bin/server/jvm.dll", "x/jvm.dll"}};
    return package;
}

TEST(WixText, MachineAndUserScope) {
    std::string machine = wixSource(sample(InstallScope::Machine, "ACME"));
    for (const char* part : {"InstallScope=\"perMachine\"", "<Directory Id=\"ProgramFiles64Folder\">",
                             "<Directory Id=\"VendorFolder\" Name=\"ACME\">", "Name=\"Viewer &amp; &quot;Co&quot;\"",
                             "Root=\"HKLM\" Key=\"Software\\Classes\\.vw\"", "Value=\"View [\\[]doc[\\]]\"",
                             "Name=\"a&amp;b.jar\" Source=\"out/lib/a&amp;b.jar\"",
                             "Value=\"&quot;[#f_Viewer.exe_", "]&quot; &quot;%1&quot;\"", "WorkingDirectory=\"INSTALLDIR\"",
                             "<Directory Id=\"d_jre64_bin_server_"}) {
        EXPECT_NE(machine.find(part), std::string::npos) << part;
    }
    EXPECT_EQ(machine.find("DesktopShortcut"), std::string::npos);
    InstallerPackage userPackage = sample(InstallScope::User, "");
    userPackage.desktopShortcut = true;
    std::string user = wixSource(userPackage);
    for (const char* part : {"InstallScope=\"perUser\"", "<Directory Id=\"LocalAppDataFolder\">",
                             "<Directory Id=\"ProgramsFolder\" Name=\"Programs\">", "Root=\"HKCU\"", "Id=\"DesktopShortcut\""}) {
        EXPECT_NE(user.find(part), std::string::npos) << part;
    }
    EXPECT_EQ(user.find("VendorFolder"), std::string::npos); // no vendor, no vendor folder
    EXPECT_EQ(user.find("HKLM"), std::string::npos);
}

} // namespace
} // namespace launcher::pack
