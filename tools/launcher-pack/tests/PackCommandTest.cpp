// The command as a vendor runs it, on a synthetic launcher: what it writes,
// and that a failure writes nothing.

#include "FileIo.h"
#include "PackCommand.h"
#include "SyntheticPe.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <sstream>

namespace launcher::pack {
namespace {

class PackCommand : public testing::Test {
protected:
    launcher::test::TempFolder folder;
    fs::path launcherFile = folder.path() / "launcher.exe";
    fs::path dest = folder.path() / "out";

    void SetUp() override {
        test::SyntheticPe pe;
        pe.resources = {test::resource(kRtVersion, 1, 0x409, "old")};
        Bytes bytes = pe.build();
        launcher::test::writeBytes(launcherFile, std::string(bytes.begin(), bytes.end()));
        launcher::test::writeBytes(folder.path() / "app" / "lib" / "app.jar", "PK");
        launcher::test::writeBytes(folder.path() / "jre" / "release", "JAVA_VERSION=\"17\"");
        launcher::test::writeBytes(folder.path() / "embed.ini", "[Java Runtime Environment]\nMain Class=a.Main\n");
        launcher::test::writeBytes(folder.path() / "app.ini", "[Application]\nCmd=x\n");
    }
    int run(std::vector<std::string> arguments) {
        for (std::string& a : arguments) {
            if (a.starts_with("@")) a = displayPath(folder.path() / a.substr(1));
        }
        out.str("");
        err.str("");
        return runLauncherPack(arguments, out, err);
    }
    std::ostringstream out;
    std::ostringstream err;
};

TEST_F(PackCommand, LaysOutTheApplicationFolder) {
    ASSERT_EQ(run({"--launcher", "@launcher.exe", "--name", "Viewer.exe", "--dest", "@out", "--ini", "@app.ini",
                   "--embed", "@embed.ini", "--upgrade-code", "{U-1}", "--input", "@app", "--runtime", "@jre",
                   "--app-version", "2.0.1.7", "--vendor", "ACME"}),
              0) << err.str();
    EXPECT_EQ(launcher::test::readBytes(dest / "Viewer.ini"),
              "[Application]\nCmd=x\n[Product Information]\nUpgrade Code={U-1}\n");
    EXPECT_EQ(launcher::test::readBytes(dest / "lib" / "app.jar"), "PK");
    EXPECT_TRUE(fs::exists(dest / "jre64" / "release"));
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), fs::directory_iterator()), 6); // no scratch left
    EXPECT_EQ(run({"--help"}), 0);
    EXPECT_EQ(out.str().rfind("usage: launcher-pack", 0), 0u);

    ASSERT_EQ(run({"--show", "@out/Viewer.exe", "--upgrade-code", "{U-1}"}), 0) << err.str();
    for (const char* line : {"format: PE32+ (64-bit)\n", "file version: 2.0.1.7\n", "  CompanyName: ACME\n",
                             "  OriginalFilename: Viewer.exe\n", "resource 9000 present, resource 8000 present\n",
                             "[Java Runtime Environment]\nMain Class=a.Main\n"}) {
        EXPECT_NE(out.str().find(line), std::string::npos) << line << "in\n" << out.str();
    }
    ASSERT_EQ(run({"--show", "@out/Viewer.exe", "--upgrade-code", "{U-2}"}), 0) << err.str();
    EXPECT_NE(out.str().find("not readable: the upgrade code does not fit"), std::string::npos) << out.str();
    // A second run into the same folder replaces the files.
    ASSERT_EQ(run({"--launcher", "@launcher.exe", "--name", "Viewer", "--dest", "@out"}), 0) << err.str();
    EXPECT_EQ(launcher::test::readBytes(dest / "Viewer.ini"), "[Product Information]\r\nProduct Name=Viewer\r\n");
    EXPECT_TRUE(fs::exists(dest / "lib" / "app.jar"));
}

const char kGuid[] = "8c5a1e2b-0f3d-4a6e-9b71-2d4c6e8f0a13";
const std::string kSha256 = "9F86D081884C7D659A2FEAA0C55AD015A3BF4F1B2B0B822CD15D6C15B0F00A08";

TEST_F(PackCommand, PinnedRuntimeKeysGoIntoTheIni) {
    ASSERT_EQ(run({"--launcher", "@launcher.exe", "--name", "Viewer", "--dest", "@out", "--runtime-download",
                   "https://example.com/jre.zip", "--runtime-sha256", kSha256, "--runtime-size", "46137344"}),
              0) << err.str();
    EXPECT_EQ(launcher::test::readBytes(dest / "Viewer.ini"),
              "[Product Information]\r\nProduct Name=Viewer\r\n[Java Runtime Environment]\r\n"
              "Runtime Download URL=https://example.com/jre.zip\r\n"
              "Runtime Download SHA-256=9f86d081884c7d659a2feaa0c55ad015a3bf4f1b2b0b822cd15d6c15b0f00a08\r\n"
              "Runtime Download Size=46137344\r\n");
    // An INI of the vendor's own that has the keys already: replaced in place,
    // and the old archive's size, which would cut the new download short,
    // goes with it.
    launcher::test::writeBytes(folder.path() / "pinned.ini", "[Product Information]\nProduct Name=V\n"
                                                             "[Java Runtime Environment]\nRuntime Download URL=https://old/\n"
                                                             "Runtime Download Size=1000\n");
    ASSERT_EQ(run({"--launcher", "@launcher.exe", "--name", "Viewer", "--dest", "@out", "--ini", "@pinned.ini",
                   "--runtime-download", "http://127.0.0.1:8000/jre.zip", "--runtime-sha256", kSha256}),
              0) << err.str();
    EXPECT_EQ(launcher::test::readBytes(dest / "Viewer.ini"),
              "[Product Information]\nProduct Name=V\n[Java Runtime Environment]\n"
              "Runtime Download SHA-256=9f86d081884c7d659a2feaa0c55ad015a3bf4f1b2b0b822cd15d6c15b0f00a08\n"
              "Runtime Download URL=http://127.0.0.1:8000/jre.zip\n");
}

struct Failure {
    const char* name;
    std::vector<std::string> arguments; // replace or add to a good command's options
    int exitCode;
    const char* message;
};
void PrintTo(const Failure& f, std::ostream* out) { *out << f.name; }

class PackFailure : public PackCommand, public testing::WithParamInterface<Failure> {};

TEST_P(PackFailure, WritesNothingAndSaysWhy) {
    std::string bytes = launcher::test::readBytes(launcherFile);
    launcher::test::writeBytes(folder.path() / "cut.exe", bytes.substr(0, 0x900));
    bytes[0x58 + 112 + 4 * 8 + 4] = 8; // a certificate table of 8 bytes
    launcher::test::writeBytes(folder.path() / "signed.exe", bytes);
    launcher::test::writeBytes(folder.path() / "utf16.ini", std::string("\xFF\xFE[\0A\0]\0", 8));

    std::vector<std::string> arguments = {"--launcher", "@launcher.exe", "--name", "Viewer", "--dest", "@out"};
    const std::vector<std::string>& extra = GetParam().arguments;
    for (size_t i = 0; i < extra.size(); i += 2) {
        auto at = std::find(arguments.begin(), arguments.end(), extra[i]);
        auto pairEnd = extra.begin() + static_cast<std::ptrdiff_t>(std::min(i + 2, extra.size()));
        if (at != arguments.end() && i + 1 < extra.size()) at[1] = extra[i + 1];
        else arguments.insert(arguments.end(), extra.begin() + static_cast<std::ptrdiff_t>(i), pairEnd);
    }
    EXPECT_EQ(run(arguments), GetParam().exitCode);
    EXPECT_NE(err.str().find(GetParam().message), std::string::npos) << err.str();
    EXPECT_FALSE(fs::exists(dest));
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), fs::directory_iterator()), 8); // inputs only
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PackFailure,
    testing::Values(
        Failure{"MissingIcon", {"--icon", "@none.ico"}, 1, "none.ico: cannot be read"},
        Failure{"IconThatIsNot", {"--icon", "@app.ini"}, 1, "--icon: not an icon file"},
        Failure{"LauncherThatIsNot", {"--launcher", "@app.ini"}, 1, "--launcher: not a Windows executable"},
        Failure{"CutLauncher", {"--launcher", "@cut.exe"}, 1, "--launcher: section .rsrc points outside the file"},
        Failure{"SignedLauncher", {"--launcher", "@signed.exe"}, 1, "sign the result afterwards"},
        Failure{"BadVersion", {"--app-version", "1.2"}, 1, "--app-version: the version 1.2 is not three or four numbers"},
        Failure{"NonAsciiUpgradeCode", {"--embed", "@embed.ini", "--upgrade-code", "\xC3\xA9"}, 1, "printable ASCII"},
        Failure{"EmbedWithoutCode", {"--embed", "@embed.ini"}, 2, "go together"},
        Failure{"Utf16IniWithEmbed", {"--ini", "@utf16.ini", "--embed", "@embed.ini", "--upgrade-code", "c"}, 1, "UTF-16"},
        Failure{"MissingInputFolder", {"--input", "@nowhere"}, 1, "nowhere: is not a folder"},
        Failure{"DestinationInsideTheInput", {"--input", "@"}, 1, "lies inside --input"},
        Failure{"NameWithASlash", {"--name", "a/b"}, 1, "--name: a/b is not a valid file name"},
        Failure{"DeviceName", {"--name", "nul.exe"}, 1, "--name: nul is not a valid file name"},
        Failure{"VendorNotUtf8", {"--vendor", "\xE9t\xE9"}, 1, "--vendor: not UTF-8 text"},
        Failure{"UnknownOption", {"--colour", "red"}, 2, "unknown option --colour"},
        Failure{"OptionWithoutValue", {"--icon"}, 2, "--icon needs a value"},
        Failure{"ShowWithPackOptions", {"--show", "@launcher.exe"}, 2, "does not go with --show"},
        Failure{"MsiWithoutUpgradeCode", {"--msi", "@app.msi", "--app-version", "1.0.0.0"}, 2, "need --msi-upgrade-code GUID"},
        Failure{"MalformedUpgradeCode", {"--msi", "@app.msi", "--app-version", "1.0.0.0", "--msi-upgrade-code", "{U-1}"}, 2,
                "--msi-upgrade-code: \"{U-1}\" is not a GUID"},
        Failure{"MsiWithoutVersion", {"--wxs", "@app.wxs", "--msi-upgrade-code", kGuid}, 2, "need --app-version"},
        Failure{"VersionBeyondTheInstaller", {"--msi", "@app.msi", "--msi-upgrade-code", kGuid, "--app-version", "256.1.0.0"}, 2,
                "--app-version: the major version is 256; Windows Installer allows at most 255"},
        Failure{"ExtensionWithADot", {"--msi", "@app.msi", "--msi-upgrade-code", kGuid, "--app-version", "1.0.0.0",
                                      "--file-association", ".vw"}, 2, "--file-association: \".vw\" is no extension"},
        Failure{"ReservedExtension", {"--msi", "@app.msi", "--msi-upgrade-code", kGuid, "--app-version", "1.0.0.0",
                                      "--file-association", "Lnk:Shortcut"}, 2, "belongs to Windows itself"},
        Failure{"VendorThatIsNoFolder", {"--msi", "@app.msi", "--msi-upgrade-code", kGuid, "--app-version", "1.0.0.0",
                                         "--vendor", "A/B"}, 2, "--vendor: \"A/B\" cannot be a folder name"},
        Failure{"VendorOfDotsOnly", {"--msi", "@app.msi", "--msi-upgrade-code", kGuid, "--app-version", "1.0.0.0", "--vendor", ". ."},
                2, "--vendor: \". .\" cannot be a folder name"},
        Failure{"NameBeyondTheCodePage", {"--wxs", "@app.wxs", "--msi-upgrade-code", kGuid, "--app-version", "1.0.0.0",
                                          "--name", "\xCE\xA9mega"}, 1,
                "--name: the name \"\xCE\xA9mega\" holds \"\xCE\xA9\" (U+03A9), which the package's code page 1252 (Western "
                "European) cannot hold; --codepage 1253 (Greek) holds the whole text"},
        Failure{"VendorBeyondTheChosenCodePage", {"--wxs", "@app.wxs", "--msi-upgrade-code", kGuid, "--app-version", "1.0.0.0",
                                                  "--codepage", "1251", "--vendor", "Soci\xC3\xA9t\xC3\xA9"}, 1,
                "--vendor: the vendor \"Soci\xC3\xA9t\xC3\xA9\" holds \"\xC3\xA9\" (U+00E9), which the package's code page 1251"},
        Failure{"UnknownCodePage", {"--wxs", "@app.wxs", "--msi-upgrade-code", kGuid, "--app-version", "1.0.0.0",
                                    "--codepage", "65001"}, 2, "--codepage: \"65001\" is no code page a package can use"},
        Failure{"CodePageWithoutInstaller", {"--codepage", "1251"}, 2, "--codepage goes with --msi or --wxs"},
        Failure{"AppIdWithASpace", {"--app-id", "ACME Viewer"}, 1,
                "--app-id: \"ACME Viewer\" is not an identity Windows accepts: it has 1 to 128 characters and no spaces"},
        Failure{"AppIdTooLong", {"--app-id", std::string(129, 'A')}, 1, "is not an identity Windows accepts"},
        Failure{"DefaultAppIdOfPunctuation", {"--wxs", "@app.wxs", "--msi-upgrade-code", kGuid, "--app-version", "1.0.0.0",
                                              "--name", "++"}, 1,
                "the App User Model ID made of --vendor and --name: \"\" is not an identity Windows accepts: it has 1 to 128 "
                "characters and no spaces; give one with --app-id"},
        Failure{"UnknownScope", {"--msi", "@app.msi", "--msi-upgrade-code", kGuid, "--app-version", "1.0.0.0",
                                 "--install-scope", "everyone"}, 2, "neither machine nor user"},
        Failure{"ScopeWithoutInstaller", {"--install-scope", "user"}, 2, "--install-scope goes with --msi or --wxs"},
        Failure{"TimestampWithoutSigning", {"--timestamp-url", "http://ts.example"}, 2, "goes with --sign-pkcs12"},
        Failure{"PasswordVariableUnset", {"--sign-pkcs12", "@app.ini", "--sign-password-env", "LAUNCHER_PACK_TEST_UNSET"}, 2,
                "LAUNCHER_PACK_TEST_UNSET is not set"},
        Failure{"MissingPkcs12", {"--sign-pkcs12", "@none.p12"}, 1, "none.p12: cannot be read"},
        Failure{"TwoWaysToSign", {"--sign-pkcs12", "@app.ini", "--sign-command", "true {}"}, 2,
                "--sign-pkcs12 and --sign-command do not go together"},
        Failure{"KeyWithoutModule", {"--sign-key", "pkcs11:object=K"}, 2, "--sign-key goes with --sign-pkcs11-module"},
        Failure{"CertWithPkcs12", {"--sign-pkcs12", "@app.ini", "--sign-cert", "@app.ini"}, 2, "--sign-cert goes with --sign-pkcs11-module"},
        Failure{"ModuleWithoutKey", {"--sign-pkcs11-module", "@app.ini", "--sign-cert", "@app.ini"}, 2, "--sign-key is missing"},
        Failure{"MalformedKeyUri", {"--sign-pkcs11-module", "@app.ini", "--sign-key", "pkcs11:token=T", "--sign-cert", "@app.ini"}, 2,
                "--sign-key: \"pkcs11:token=T\" names no key"},
        Failure{"MissingModule", {"--sign-pkcs11-module", "@none.so", "--sign-key", "pkcs11:object=K", "--sign-cert", "@app.ini"}, 1,
                "--sign-pkcs11-module: "},
        Failure{"CommandWithoutFile", {"--sign-command", "signtool sign /fd SHA256"}, 2, "has no {} where the path"},
        Failure{"CommandWithOpenQuote", {"--sign-command", "sign '{}"}, 2, "a ' has no closing '"},
        Failure{"TimestampWithCommand", {"--sign-command", "true {}", "--timestamp-url", "http://ts.example"}, 2,
                "--timestamp-url does not go with --sign-command"},
        Failure{"TimeLimitWithoutSigning", {"--sign-timeout", "5"}, 2, "--sign-timeout goes with --sign-pkcs12"},
        Failure{"TimeLimitNoNumber", {"--sign-command", "true {}", "--sign-timeout", "0"}, 2,
                "--sign-timeout: \"0\" is no number of seconds from 1 to 86400"},
        Failure{"CommandNotOnPath", {"--sign-command", "launcher-no-such-signer {}"}, 1, "launcher-no-such-signer is not on PATH"},
        Failure{"RuntimeUrlWithoutChecksum", {"--runtime-download", "https://e/j.zip"}, 2,
                "--runtime-download needs --runtime-sha256"},
        Failure{"ChecksumWithoutRuntimeUrl", {"--runtime-sha256", kSha256}, 2, "--runtime-sha256 needs --runtime-download"},
        Failure{"RuntimeSizeAlone", {"--runtime-size", "5"}, 2, "--runtime-size needs --runtime-download"},
        Failure{"RuntimeUrlNotHttp", {"--runtime-download", "ftp://e/j.zip", "--runtime-sha256", kSha256}, 1,
                "--runtime-download: ftp://e/j.zip is not an http or https address"},
        Failure{"RuntimeUrlClearText", {"--runtime-download", "http://example.com/j.zip", "--runtime-sha256", kSha256},
                1, "--runtime-download: http://example.com/j.zip is a plain http address"},
        Failure{"RuntimeUrlWithUserName", {"--runtime-download", "https://u@example.com/j.zip", "--runtime-sha256",
                                           kSha256},
                1, "is not an http or https address"},
        Failure{"ShortChecksum", {"--runtime-download", "https://e/j.zip", "--runtime-sha256", "abc"}, 1,
                "--runtime-sha256: abc is not 64 hexadecimal digits"},
        Failure{"RuntimeSizeWithUnit", {"--runtime-download", "https://e/j.zip", "--runtime-sha256", kSha256,
                                        "--runtime-size", "5MB"}, 1, "--runtime-size: 5MB is not a whole number"},
        Failure{"RuntimePinWithoutProductName", {"--ini", "@app.ini", "--runtime-download", "https://e/j.zip",
                                                 "--runtime-sha256", kSha256}, 1, "\"Product Name\" is empty"},
        Failure{"LatestWithRuntimeUrl", {"--runtime-download-latest", "21", "--runtime-download", "https://e/j.zip",
                                         "--runtime-sha256", kSha256}, 2,
                "--runtime-download does not go with --runtime-download-latest"},
        Failure{"LatestWithChecksum", {"--runtime-download-latest", "21", "--runtime-sha256", kSha256}, 2,
                "--runtime-sha256 does not go with --runtime-download-latest"},
        Failure{"ApiBaseAlone", {"--runtime-api-base", "http://127.0.0.1:1/"}, 2,
                "--runtime-api-base goes with --runtime-download-latest"},
        Failure{"LatestNotAFeatureVersion", {"--runtime-download-latest", "21.0.5"}, 1,
                "--runtime-download-latest: \"21.0.5\" is not a Java feature version"},
        Failure{"MsiFolderMissing", {"--msi", "@nowhere/app.msi", "--msi-upgrade-code", kGuid, "--app-version", "1.0.0.0"}, 1,
                "app.msi: its folder does not exist"}),
    [](const testing::TestParamInfo<Failure>& info) { return std::string(info.param.name); });

// What the table cannot say: a repeated option, and a tool that is missing.
TEST_F(PackCommand, InstallerInputsThatWriteNothing) {
    std::vector<std::string> msi = {"--launcher", "@launcher.exe", "--name", "Viewer", "--dest", "@out", "--msi", "@app.msi",
                                    "--msi-upgrade-code", kGuid, "--app-version", "1.0.0.0"};
    std::vector<std::string> twice = msi;
    twice.insert(twice.end(), {"--file-association", "vw:One", "--file-association", "VW:Two"});
    EXPECT_EQ(run(twice), 2);
    EXPECT_NE(err.str().find("--file-association: .VW is given twice"), std::string::npos) << err.str();
    {
        launcher::test::EnvironmentOverride path(u"PATH", folder.text(u"app"));
        EXPECT_EQ(run(msi), 1);
    }
    EXPECT_NE(err.str().find("wixl is not on PATH; install it (Debian and Ubuntu: apt-get install wixl"), std::string::npos)
        << err.str();
    EXPECT_FALSE(fs::exists(dest));
    EXPECT_FALSE(fs::exists(folder.path() / "app.msi"));
}

// The written source names every file relative to itself, so it builds
// wherever the folder and the source travel together.
TEST_F(PackCommand, WixSourceNamesTheFolderRelativeToItself) {
    launcher::test::writeBytes(folder.path() / "app" / "lib" / "a&b$c.jar", "PK");
    fs::create_directories(folder.path() / "installer");
    ASSERT_EQ(run({"--launcher", "@launcher.exe", "--name", "Viewer", "--dest", "@out", "--input", "@app", "--runtime", "@jre",
                   "--app-version", "1.2.3.0", "--wxs", "@installer/viewer.wxs", "--msi-upgrade-code", kGuid, "--vendor", "ACME, Inc."}),
              0) << err.str();
    std::string source = launcher::test::readBytes(folder.path() / "installer" / "viewer.wxs");
    std::vector<std::string> named;
    for (const std::string attribute : {" Source=\"", " SourceFile=\""}) {
        for (size_t at = source.find(attribute); at != std::string::npos; at = source.find(attribute, at + 1)) {
            size_t begin = at + attribute.size();
            std::string path = source.substr(begin, source.find('"', begin) - begin);
            for (auto [escaped, plain] : {std::pair{"&amp;", "&"}, std::pair{"$$", "$"}}) {
                for (size_t i = path.find(escaped); i != std::string::npos; i = path.find(escaped, i + 1)) path.replace(i, std::strlen(escaped), plain);
            }
            named.push_back(path);
        }
    }
    std::sort(named.begin(), named.end());
    EXPECT_EQ(named, (std::vector<std::string>{"../out/Viewer.exe", "../out/Viewer.exe", "../out/Viewer.ini", "../out/jre64/release",
                                               "../out/lib/a&b$c.jar", "../out/lib/app.jar"}));
    for (const std::string& path : named) EXPECT_TRUE(fs::exists(folder.path() / "installer" / path)) << path;
    EXPECT_NE(source.find("Version=\"1.2.3\""), std::string::npos);
    EXPECT_NE(source.find("UpgradeCode=\"{8C5A1E2B-0F3D-4A6E-9B71-2D4C6E8F0A13}\""), std::string::npos);
    // The publisher keeps the vendor's full text; its folder drops the dot, as Windows would.
    EXPECT_NE(source.find("Manufacturer=\"ACME, Inc.\""), std::string::npos);
    EXPECT_NE(source.find("<Directory Id=\"VendorFolder\" Name=\"ACME, Inc\">"), std::string::npos);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.path() / "installer"), fs::directory_iterator()), 1); // no scratch left
}

// The taskbar identity: --app-id or, with a package, "Vendor.Name"; the INI
// and the package's shortcuts carry the same one, and the source names its
// code page.
TEST_F(PackCommand, AppIdentityAndCodePageInTheIniAndTheSource) {
    const std::string cyrillic = "\xD0\x9F\xD1\x80\xD0\xBE\xD1\x81\xD0\xBC\xD0\xBE\xD1\x82\xD1\x80"; // "Просмотр"
    ASSERT_EQ(run({"--launcher", "@launcher.exe", "--name", "Viewer", "--dest", "@out", "--app-version", "1.0.0.0", "--wxs",
                   "@viewer.wxs", "--msi-upgrade-code", kGuid, "--vendor", "ACME, Inc.", "--codepage", "1251", "--description",
                   cyrillic}),
              0) << err.str();
    EXPECT_EQ(launcher::test::readBytes(dest / "Viewer.ini"),
              "[Product Information]\r\nProduct Name=Viewer\r\n[Application]\r\nApp User Model ID=ACMEInc.Viewer\r\n");
    std::string source = launcher::test::readBytes(folder.path() / "viewer.wxs");
    for (const std::string& part : std::vector<std::string>{"Codepage=\"1251\"", "SummaryCodepage=\"1251\"", "Description=\"" + cyrillic + "\"",
                                   "WorkingDirectory=\"INSTALLDIR\">\n", "<ShortcutProperty Key=\"System.AppUserModel.ID\" Value=\"ACMEInc.Viewer\"/>\n",
                                   "</Shortcut>\n"}) {
        EXPECT_NE(source.find(part), std::string::npos) << part << " in\n" << source;
    }
    ASSERT_EQ(run({"--launcher", "@launcher.exe", "--name", "Viewer", "--dest", "@out", "--ini", "@app.ini", "--app-id",
                   "ACME.Viewer.2"}),
              0) << err.str();
    EXPECT_EQ(launcher::test::readBytes(dest / "Viewer.ini"), "[Application]\nApp User Model ID=ACME.Viewer.2\nCmd=x\n");
    ASSERT_EQ(run({"--launcher", "@launcher.exe", "--name", "Viewer", "--dest", "@out", "--ini", "@app.ini"}), 0) << err.str();
    EXPECT_EQ(launcher::test::readBytes(dest / "Viewer.ini"), "[Application]\nCmd=x\n");
}

// The ARM64 launcher packed beside the x64 one: branded alike under its own
// file name, named by the x64 launcher's INI (and naming it in its own, the
// only launcher it hands back to), in the package, and each
// executable's machine shown; launchers of the wrong machines are refused.
TEST_F(PackCommand, Arm64SiblingBesideTheX64Launcher) {
    test::SyntheticPe arm64;
    arm64.machine = 0xAA64;
    arm64.resources = {test::resource(kRtVersion, 1, 0x409, "old")};
    Bytes bytes = arm64.build();
    launcher::test::writeBytes(folder.path() / "arm64.exe", std::string(bytes.begin(), bytes.end()));
    ASSERT_EQ(run({"--launcher", "@launcher.exe", "--arm64-launcher", "@arm64.exe", "--name", "Viewer", "--dest", "@out",
                   "--ini", "@app.ini", "--app-version", "2.0.1.0", "--wxs", "@viewer.wxs", "--msi-upgrade-code", kGuid}),
              0) << err.str();
    // Both launchers show their windows under the package's one identity.
    EXPECT_EQ(launcher::test::readBytes(dest / "Viewer.ini"),
              "[Application]\nARM64 Product=Viewer-arm64.exe\nApp User Model ID=Viewer\nCmd=x\n");
    EXPECT_EQ(launcher::test::readBytes(dest / "Viewer-arm64.ini"),
              "[Application]\nX64 Product=Viewer.exe\nApp User Model ID=Viewer\nCmd=x\n");
    EXPECT_NE(launcher::test::readBytes(folder.path() / "viewer.wxs").find("out/Viewer-arm64.exe\""), std::string::npos);
    ASSERT_EQ(run({"--show", "@out/Viewer-arm64.exe"}), 0) << err.str();
    for (const char* line : {"machine: ARM64 (0xAA64)\n", "file version: 2.0.1.0\n", "  OriginalFilename: Viewer-arm64.exe\n",
                             "  ProductName: Viewer\n"}) {
        EXPECT_NE(out.str().find(line), std::string::npos) << line << "in\n" << out.str();
    }
    ASSERT_EQ(run({"--show", "@out/Viewer.exe"}), 0) << err.str();
    EXPECT_NE(out.str().find("machine: x64 (0x8664)\n"), std::string::npos) << out.str();

    test::SyntheticPe narrow;
    narrow.pe32Plus = false;
    bytes = narrow.build();
    launcher::test::writeBytes(folder.path() / "x86.exe", std::string(bytes.begin(), bytes.end()));
    const struct {
        const char* launcher;
        const char* sibling;
        const char* message;
    } refused[] = {
        {"@launcher.exe", "@launcher.exe", "--arm64-launcher: built for x64 (0x8664), not for ARM64"},
        {"@x86.exe", "@arm64.exe", "--launcher: built for x86 (0x014C); beside --arm64-launcher it must be the x64"},
        {"@arm64.exe", "@arm64.exe", "--launcher: built for ARM64 (0xAA64)"},
        {"@launcher.exe", "@app.ini", "--arm64-launcher: not a Windows executable"},
    };
    for (const auto& r : refused) {
        EXPECT_EQ(run({"--launcher", r.launcher, "--arm64-launcher", r.sibling, "--name", "Viewer", "--dest", "@refused"}), 1);
        EXPECT_NE(err.str().find(r.message), std::string::npos) << err.str();
        EXPECT_FALSE(fs::exists(folder.path() / "refused"));
    }
}

// The pinned runtime is the x64 launcher's: the sibling's INI and its
// embedded settings leave the pin out, whether the options or the vendor's
// files carry it, so a sibling started on its own never downloads a runtime
// it would refuse.
TEST_F(PackCommand, Arm64SiblingNamesNoPinnedRuntime) {
    test::SyntheticPe arm64;
    arm64.machine = 0xAA64;
    Bytes bytes = arm64.build();
    launcher::test::writeBytes(folder.path() / "arm64.exe", std::string(bytes.begin(), bytes.end()));
    launcher::test::writeBytes(folder.path() / "pin.ini", "[Product Information]\nProduct Name=Viewer\n"
                                                          "[Java Runtime Environment]\nRuntime Download=Automatic\n"
                                                          "Main Class=a.Main\n");
    launcher::test::writeBytes(folder.path() / "embed.ini",
                               "[Java Runtime Environment]\nRuntime Download URL=https://e/j.zip\nRuntime Download "
                               "SHA-256=" + kSha256 + "\nMain Class=a.Main\n");
    ASSERT_EQ(run({"--launcher", "@launcher.exe", "--arm64-launcher", "@arm64.exe", "--name", "Viewer", "--dest", "@out",
                   "--ini", "@pin.ini", "--embed", "@embed.ini", "--upgrade-code", "{U-1}", "--runtime-download",
                   "https://example.com/jre.zip", "--runtime-sha256", kSha256, "--runtime-size", "46137344"}),
              0) << err.str();
    const std::string x64 = launcher::test::readBytes(dest / "Viewer.ini");
    for (const char* line : {"Runtime Download URL=https://example.com/jre.zip\n", "Runtime Download Size=46137344\n",
                             "Runtime Download=Automatic\n", "ARM64 Product=Viewer-arm64.exe\n"}) {
        EXPECT_NE(x64.find(line), std::string::npos) << line << "in\n" << x64;
    }
    EXPECT_EQ(launcher::test::readBytes(dest / "Viewer-arm64.ini"),
              "[Product Information]\nUpgrade Code={U-1}\nProduct Name=Viewer\n[Java Runtime Environment]\n"
              "Main Class=a.Main\n[Application]\nX64 Product=Viewer.exe\n");
    ASSERT_EQ(run({"--show", "@out/Viewer-arm64.exe", "--upgrade-code", "{U-1}"}), 0) << err.str();
    EXPECT_NE(out.str().find("[Java Runtime Environment]\nMain Class=a.Main\n"), std::string::npos) << out.str();
    EXPECT_NE(out.str().find("[Application]\nX64 Product=Viewer.exe\n"), std::string::npos) << out.str();
    EXPECT_EQ(out.str().find("Runtime Download"), std::string::npos) << out.str();
    ASSERT_EQ(run({"--show", "@out/Viewer.exe", "--upgrade-code", "{U-1}"}), 0) << err.str();
    EXPECT_NE(out.str().find("Runtime Download URL=https://e/j.zip\n"), std::string::npos) << out.str();
}

// A sibling packed into the same folder by its own run goes into the
// package; files that no run recorded (left by hand or by a run whose record
// a later one replaced) do not.
TEST_F(PackCommand, PackageHoldsWhatTheRunsRecorded) {
    ASSERT_EQ(run({"--launcher", "@launcher.exe", "--name", "Viewer32", "--dest", "@out"}), 0) << err.str();
    ASSERT_EQ(run({"--launcher", "@launcher.exe", "--name", "Viewer", "--dest", "@out", "--input", "@app"}), 0) << err.str();
    launcher::test::writeBytes(dest / "stray.log", "left by a test run");
    fs::remove(folder.path() / "app" / "lib" / "app.jar");
    launcher::test::writeBytes(folder.path() / "app" / "lib" / "app2.jar", "PK");
    ASSERT_EQ(run({"--launcher", "@launcher.exe", "--name", "Viewer", "--dest", "@out", "--input", "@app", "--app-version",
                   "2.0.0.0", "--wxs", "@viewer.wxs", "--msi-upgrade-code", kGuid}),
              0) << err.str();
    std::string source = launcher::test::readBytes(folder.path() / "viewer.wxs");
    for (const char* held : {"Name=\"Viewer32.exe\"", "Name=\"Viewer32.ini\"", "Name=\"Viewer.exe\"", "Name=\"app2.jar\""}) {
        EXPECT_NE(source.find(held), std::string::npos) << held;
    }
    for (const char* left : {"stray.log", "\"app.jar\"", ".launcher-pack"}) EXPECT_EQ(source.find(left), std::string::npos) << left;
    EXPECT_TRUE(fs::exists(dest / "lib" / "app.jar")); // still in the folder, as before
}

// A link to a folder cannot go into a package; a name with a WiX variable
// in it cannot either. Both are named before anything is written.
TEST_F(PackCommand, FilesThatNoPackageCanHold) {
    std::vector<std::string> wxs = {"--launcher", "@launcher.exe", "--name", "Viewer", "--dest", "@out", "--input", "@app",
                                    "--app-version", "1.0.0.0", "--wxs", "@viewer.wxs", "--msi-upgrade-code", kGuid};
    struct Refused {
        std::vector<const char*> files;
        std::string message;
    };
    for (const Refused& refused : {Refused{{"a$(x).jar"}, "a$(x).jar: the name \"a$(x).jar\" holds \"$(\""},
                                   Refused{{"a$$b.jar"}, "a$$b.jar: the name \"a$$b.jar\" holds \"$$\""},
                                   Refused{{"Read Me.txt", "read me.TXT"}, "read me.TXT: their names differ only in case"}}) {
        for (const char* file : refused.files) launcher::test::writeBytes(folder.path() / "app" / "lib" / file, "PK");
        // Where the folder itself ignores case (Windows), the two names are one file.
        size_t listed = 0;
        for (const auto& entry : fs::directory_iterator(folder.path() / "app" / "lib")) {
            listed += std::count(refused.files.begin(), refused.files.end(), entry.path().filename().string());
        }
        if (listed == refused.files.size()) {
            EXPECT_EQ(run(wxs), 1) << refused.message;
            EXPECT_NE(err.str().find(refused.message), std::string::npos) << err.str();
        }
        for (const char* file : refused.files) fs::remove(folder.path() / "app" / "lib" / file);
    }
    // The path the source names a file by goes through the same check.
    fs::create_directories(folder.path() / "in$$" / "out");
    std::vector<std::string> nested = wxs;
    nested[5] = "@in$$/out";
    EXPECT_EQ(run(nested), 1);
    EXPECT_NE(err.str().find("holds \"$$\""), std::string::npos) << err.str();
    EXPECT_FALSE(fs::exists(folder.path() / "in$$" / "out" / "Viewer.exe"));
    std::error_code linkError;
    fs::create_directory_symlink(folder.path() / "jre", folder.path() / "app" / "linked", linkError);
    if (!linkError) {
        EXPECT_EQ(run(wxs), 1);
        EXPECT_NE(err.str().find("linked: is a link to a folder"), std::string::npos) << err.str();
    }
    EXPECT_FALSE(fs::exists(dest));
    EXPECT_FALSE(fs::exists(folder.path() / "viewer.wxs"));
}

} // namespace
} // namespace launcher::pack
