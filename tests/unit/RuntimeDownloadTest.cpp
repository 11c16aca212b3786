// The pinned runtime's keys: which values are taken, which are refused and
// why, and the folder the runtime is installed in.

#include "base/Platform.h"
#include "config/ConfigPaths.h"
#include "config/RuntimeDownload.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace launcher {
namespace {

constexpr std::u16string_view kSum = u"9F86D081884C7D659A2FEAA0C55AD015A3BF4F1B2B0B822CD15D6C15B0F00A08";
constexpr std::u16string_view kLowerSum = u"9f86d081884c7d659a2feaa0c55ad015a3bf4f1b2b0b822cd15d6c15b0f00a08";
constexpr std::u16string_view kUrl = u"https://example.com/jre.zip";

struct KeysCase {
    const char* label;
    RuntimeDownloadKeys keys;
    std::u16string_view productName;
    RuntimeDownloadError error;
    std::u16string_view value; // the value the message names
};

class RuntimeDownloadKeysTest : public ::testing::TestWithParam<KeysCase> {};

TEST_P(RuntimeDownloadKeysTest, IsTakenOrRefusedWithItsReason) {
    const KeysCase& c = GetParam();
    RuntimeDownloadCheck check = checkRuntimeDownload(c.keys, c.productName);
    EXPECT_EQ(check.error, c.error);
    EXPECT_EQ(check.value, c.value);
    if (c.error != RuntimeDownloadError::None) {
        EXPECT_FALSE(check.download.configured());
    }
}

using E = RuntimeDownloadError;
const std::u16string kUrlText(kUrl), kSumText(kSum), kNotHex = u"g" + kSumText.substr(1);

INSTANTIATE_TEST_SUITE_P(
    Rows, RuntimeDownloadKeysTest,
    ::testing::Values(
        KeysCase{"NothingSet", {}, u"Viewer", E::None, u""},
        KeysCase{"OthersWithoutUrlAreIgnored", {u"", u"zz", u"x", u"Automatic"}, u"", E::None, u""},
        KeysCase{"Https", {kUrlText, kSumText, u"", u""}, u"Viewer", E::None, u""},
        KeysCase{"LoopbackHttp", {u"http://127.0.0.1:8080/a.zip", kSumText}, u"V", E::None, u""},
        KeysCase{"Ipv6LoopbackHttpWithPort", {u"HTTP://[::1]:99", kSumText}, u"V", E::None, u""},
        // The download's own rule: no clear text but to loopback, and no
        // user name, which could make an address look local.
        KeysCase{"HttpElsewhere", {u"http://example.com/jre.zip", kSumText}, u"V", E::UrlClearText,
                 u"http://example.com/jre.zip"},
        KeysCase{"HttpToLocalhostByName", {u"http://localhost:8080/a.zip", kSumText}, u"V", E::UrlClearText,
                 u"http://localhost:8080/a.zip"},
        KeysCase{"UserName", {u"HTTPS://u@[::1]:99", kSumText}, u"V", E::UrlNotHttp, u"HTTPS://u@[::1]:99"},
        KeysCase{"Ftp", {u"ftp://example.com/jre.zip", kSumText}, u"V", E::UrlNotHttp, u"ftp://example.com/jre.zip"},
        KeysCase{"APathOnly", {u"jre.zip", kSumText}, u"V", E::UrlNotHttp, u"jre.zip"},
        KeysCase{"NoHost", {u"https:///jre.zip", kSumText}, u"V", E::UrlNotHttp, u"https:///jre.zip"},
        KeysCase{"PortWithoutHost", {u"https://:443/", kSumText}, u"V", E::UrlNotHttp, u"https://:443/"},
        KeysCase{"Blank", {u"https://example.com/a b.zip", kSumText}, u"V", E::UrlNotHttp, u"https://example.com/a b.zip"},
        KeysCase{"UrlWithoutChecksum", {kUrlText, u"", u"100"}, u"V", E::MissingChecksum, kUrl},
        KeysCase{"ChecksumTooShort", {kUrlText, kSumText.substr(1)}, u"V", E::BadChecksum, kSum.substr(1)},
        KeysCase{"ChecksumNotHex", {kUrlText, kNotHex}, u"V", E::BadChecksum, kNotHex},
        KeysCase{"SizeWithUnit", {kUrlText, kSumText, u"45MB"}, u"V", E::BadSize, u"45MB"},
        KeysCase{"SizeZero", {kUrlText, kSumText, u"0"}, u"V", E::BadSize, u"0"},
        KeysCase{"SizeNegative", {kUrlText, kSumText, u"-5"}, u"V", E::BadSize, u"-5"},
        KeysCase{"SizeBeyondAnyFile", {kUrlText, kSumText, u"99999999999999999999"}, u"V", E::BadSize,
                 u"99999999999999999999"},
        KeysCase{"NoProductName", {kUrlText, kSumText}, u"", E::NoProductFolder, kUrl},
        KeysCase{"ProductNameOfDotsOnly", {kUrlText, kSumText}, u"..", E::NoProductFolder, kUrl},
        KeysCase{"ProductNameNoFolderCanHold", {kUrlText, kSumText}, u"<?>", E::NoProductFolder, kUrl}),
    [](const ::testing::TestParamInfo<KeysCase>& info) { return info.param.label; });

TEST(RuntimeDownload, ValuesOfATakenConfiguration) {
    RuntimeDownloadCheck check = checkRuntimeDownload({kUrlText, kSumText, u"46137344", u"automatic"}, u"Viewer");
    ASSERT_TRUE(check.download.configured());
    EXPECT_EQ(check.download.url, kUrl);
    EXPECT_EQ(check.download.sha256, kLowerSum);
    EXPECT_EQ(check.download.size, 46137344u);
    EXPECT_TRUE(check.download.automatic);
    for (std::u16string_view mode : {u"", u"Ask", u"Automatically", u"yes"}) {
        EXPECT_FALSE(checkRuntimeDownload({kUrlText, kSumText, u"", std::u16string(mode)}, u"V").download.automatic);
    }
    EXPECT_EQ(checkRuntimeDownload({kUrlText, kSumText}, u"V").download.size, std::nullopt);
}

TEST(RuntimeDownload, InstallFolderIsBesideThePerUserSettings) {
    const std::u16string code = u"{11111111-2222-3333-4444-555555555555}";
    // Named as the per-user INI's folders are, then the checksum's first 16 digits.
    EXPECT_EQ(runtimeInstallFolderFor(test::nativePath(u"/Users/u/AppData/Local"), u"Tool: Viewer?", code, kLowerSum),
              test::nativePath(u"/Users/u/AppData/Local/Tool Viewer/") + code +
                  test::nativePath(u"/runtime/9f86d081884c7d65/"));
    std::u16string longName(300, u'n');
    EXPECT_EQ(runtimeInstallFolderFor(test::nativePath(u"/data"), longName, u"C", kLowerSum),
              test::nativePath(u"/data/") + longName + test::nativePath(u"/C/runtime/9f86d081884c7d65/"));
    // No base folder, or no product folder: no install folder at all.
    EXPECT_EQ(runtimeInstallFolderFor(u"", u"Viewer", u"C", kLowerSum), u"");
    EXPECT_EQ(runtimeInstallFolderFor(test::nativePath(u"/data"), u"???", u"C", kLowerSum), u"");
    EXPECT_EQ(runtimeInstallFolderFor(test::nativePath(u"/data"), u" . ", u"C", kLowerSum), u"");
}

TEST(RuntimeDownload, InstallFolderFollowsTheLocalDataFolder) {
    test::TempFolder data;
    test::EnvironmentOverride variable(kWindows ? u"LOCALAPPDATA" : u"XDG_DATA_HOME", data.text());
    EXPECT_EQ(runtimeInstallFolder(u"Viewer", u"C", kLowerSum),
              data.text() + test::nativePath(u"/Viewer/C/runtime/9f86d081884c7d65/"));
    if (kWindows) return;
    // Linux without XDG_DATA_HOME, or with a relative one: the XDG default.
    test::EnvironmentOverride home(u"HOME", u"/home/ann");
    for (std::optional<std::u16string> value : {std::optional<std::u16string>(), std::optional<std::u16string>(u"rel")}) {
        test::EnvironmentOverride unset(u"XDG_DATA_HOME", value);
        EXPECT_EQ(runtimeInstallFolder(u"Viewer", u"C", kLowerSum), u"/home/ann/.local/share/Viewer/C/runtime/9f86d081884c7d65/");
    }
}

} // namespace
} // namespace launcher
