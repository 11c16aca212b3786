// Text in a package's code page, the WiX text that wixl is given and the
// taskbar identity a packaging run gives the application.

#include "AppIdentity.h"
#include "CodePage.h"
#include "PackageTables.h"

#include <gtest/gtest.h>

namespace launcher::pack {
namespace {

const char kCyrillic[] = "\xD0\x9E\xD0\xB1\xD1\x89\xD0\xB5\xD1\x81\xD1\x82\xD0\xB2\xD0\xBE"; // "Общество"

TEST(CodePage, TextEachCodePageHolds) {
    struct Row {
        std::string text;
        int codePage;
        std::optional<std::string> bytes;
    };
    for (const Row& row : std::vector<Row>{
             {"Soci\xC3\xA9t\xC3\xA9 \xE2\x82\xAC", 1252, "Soci\xE9t\xE9 \x80"},
             {kCyrillic, 1251, "\xCE\xE1\xF9\xE5\xF1\xF2\xE2\xEE"},
             {kCyrillic, 1252, std::nullopt},
             {"\xC5\x81\xC3\xB3" "d\xC5\xBA", 1250, "\xA3\xF3" "d\x9F"},               // "Łódź"
             {"\xC5\x81\xC3\xB3" "d\xC5\xBA", 1252, std::nullopt},
             {"\xE6\x97\xA5\xE6\x9C\xAC", 932, "\x93\xFA\x96\x7B"},                   // "日本"
             {"\xE6\x97\xA5\xE6\x9C\xAC", 1251, std::nullopt},
             {"\xF0\x9F\x98\x80", 950, std::nullopt},                                 // an emoji: in no code page
             {"Plain", 874, "Plain"},
             {"", 949, ""}}) {
        EXPECT_EQ(encodeInCodePage(row.text, row.codePage), row.bytes) << row.text << " in " << row.codePage;
    }
}

TEST(CodePage, RefusalNamesTheCharacterAndACodePageThatHoldsIt) {
    auto message = [](const std::string& text, int codePage) {
        try {
            checkCodePageText(text, "the name", codePage);
        } catch (const UnheldTextError& e) {
            return std::string(e.what());
        }
        return std::string();
    };
    EXPECT_EQ(message(kCyrillic, 1251), "");
    EXPECT_EQ(message(kCyrillic, 1252), std::string("the name \"") + kCyrillic +
                                            "\" holds \"\xD0\x9E\" (U+041E), which the package's code page 1252 (Western "
                                            "European) cannot hold; --codepage 1251 (Cyrillic) holds the whole text");
    // Thai and Cyrillic: no code page holds the whole.
    std::string mixed = std::string("\xE0\xB8\x81 ") + kCyrillic;
    EXPECT_NE(message(mixed, 1251).find("\"\xE0\xB8\x81\" (U+0E01)"), std::string::npos) << message(mixed, 1251);
    EXPECT_NE(message(mixed, 1251).find("no code page a package can use holds the whole text"), std::string::npos);
    EXPECT_NE(message("x\xF0\x9F\x98\x80", 1252).find("\"\xF0\x9F\x98\x80\" (U+1F600)"), std::string::npos);
}

TEST(CodePage, NumbersTheOptionTakes) {
    for (int good : {1250, 1251, 1252, 1253, 1254, 1255, 1256, 1257, 1258, 874, 932, 936, 949, 950}) {
        EXPECT_EQ(parseCodePage(std::to_string(good)), good);
    }
    for (const char* bad : {"", "65001", "1249", "1259", "437", "1251x", " 1251", "-1252", "utf-8"}) {
        EXPECT_THROW(parseCodePage(bad), PackError) << bad;
    }
}

// wixl gets ASCII wherever it stores the text, the files' paths as they
// are, and no element it aborts on.
TEST(WixlSourceText, TokensStandForTextBeyondAscii) {
    std::string source = std::string("<Product Id=\"*\" Name=\"") + kCyrillic + "\" Manufacturer=\"Soci\xC3\xA9t\xC3\xA9\">\n"
                         "<Package InstallerVersion=\"500\" Description=\"" + kCyrillic + "\"/>\n"
                         "<File Id=\"f\" Name=\"R\xC3\xA9" "el.txt\" Source=\"out/R\xC3\xA9" "el.txt\"/>\n"
                         "<Icon Id=\"i\" SourceFile=\"../\xD0\x96.exe\"/>\n"
                         "<Shortcut Id=\"s\">\n<ShortcutProperty Key=\"System.AppUserModel.ID\" Value=\"A.B\"/>\n</Shortcut>\n";
    WixlSource wixl = wixlSource(source);
    ASSERT_EQ(wixl.tokens.size(), 2u);
    EXPECT_EQ(wixl.tokens[0], (std::pair<std::string, std::string>{"zzCP0zzCP", kCyrillic}));
    EXPECT_EQ(wixl.tokens[1], (std::pair<std::string, std::string>{"zzCP1zzCP", "\xC3\xA9"}));
    EXPECT_EQ(wixl.text, "<Product Id=\"*\" Name=\"zzCP0zzCP\" Manufacturer=\"SocizzCP1zzCPtzzCP1zzCP\">\n"
                         "<Package Comments=\"\" InstallerVersion=\"500\" Description=\"zzCP0zzCP\"/>\n"
                         "<File Id=\"f\" Name=\"RzzCP1zzCPel.txt\" Source=\"out/R\xC3\xA9" "el.txt\"/>\n"
                         "<Icon Id=\"i\" SourceFile=\"../\xD0\x96.exe\"/>\n"
                         "<Shortcut Id=\"s\">\n</Shortcut>\n");
    EXPECT_EQ(withoutTokens("Software\\zzCP1zzCP\\zzCP0zzCP\tzzCP0zzCP", wixl),
              std::string("Software\\\xC3\xA9\\") + kCyrillic + "\t" + kCyrillic);
    // A token never meets text of the source's own.
    WixlSource own = wixlSource("<Product Name=\"zzCP \xC3\xA9\"/>\n");
    EXPECT_EQ(own.text, "<Product Name=\"zzCP zzCPz0zzCPz\"/>\n");
}

TEST(AppIdentity, DefaultFromVendorAndName) {
    EXPECT_EQ(defaultAppId("ACME, Inc.", "Msi Viewer 2"), "ACMEInc.MsiViewer2");
    EXPECT_EQ(defaultAppId("", "Viewer"), "Viewer");
    EXPECT_EQ(defaultAppId("Soci\xC3\xA9t\xC3\xA9\xC2\xA0G\xC3\xA9n\xC3\xA9rale", kCyrillic),
              std::string("Soci\xC3\xA9t\xC3\xA9G\xC3\xA9n\xC3\xA9rale.") + kCyrillic);
    EXPECT_EQ(defaultAppId("---", "Viewer"), "Viewer");
}

TEST(PackageTablesText, ShortcutPropertyRows) {
    InstallerPackage package;
    EXPECT_EQ(shortcutPropertyTable(package), "");
    package.appId = "ACME.Viewer[1]";
    package.desktopShortcut = true;
    EXPECT_EQ(shortcutPropertyTable(package),
              "MsiShortcutProperty\tShortcut_\tPropertyKey\tPropVariantValue\r\ns72\ts72\ts0\ts0\r\n"
              "MsiShortcutProperty\tMsiShortcutProperty\r\n"
              "StartMenuAppId\tStartMenuShortcut\t{9F4C2855-9F79-4B39-A8D0-E1D42DE1D5F3} 5\tACME.Viewer[\\[]1[\\]]\r\n"
              "DesktopAppId\tDesktopShortcut\t{9F4C2855-9F79-4B39-A8D0-E1D42DE1D5F3} 5\tACME.Viewer[\\[]1[\\]]\r\n");
    EXPECT_EQ(codePageTable(1251), "\r\n\r\n1251\t_ForceCodepage\r\n");
}

} // namespace
} // namespace launcher::pack
