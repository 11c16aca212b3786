// The test program carries resources 9000 and 8000 that launcher-pack made
// from EmbeddedSettings.ini, and reads them back as the launcher does.

#include "EmbeddedTestValues.h"

#include "config/EmbeddedSettings.h"
#include "config/LayeredIniFile.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <windows.h>

using namespace launcher;

namespace {

// The settings file as the tool read it: UTF-8 with LF line ends, which the
// embedded text carries as UTF-16 with CR LF.
std::u16string expectedSettingsText() {
    Bytes raw = loadOwnResource(7000);
    std::u16string source = fromUtf8(std::string_view(reinterpret_cast<const char*>(raw.data()), raw.size()));
    std::u16string text;
    for (char16_t c : source) {
        if (c == u'\n') text.push_back(u'\r');
        text.push_back(c);
    }
    return text;
}

// The key text is printable ASCII, so it hashes alike in every code page.
TEST(EmbeddedResources, KeyResourceGivesAnAsciiKeyText) {
    std::u16string key = bytesToText(decipher(kUpgradeCode, loadOwnResource(kEmbeddedKeyResource)));
    ASSERT_EQ(key.size(), 32u);
    for (char16_t c : key) EXPECT_TRUE((c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f')) << toUtf8(key);
}

TEST(EmbeddedResources, SettingsTextIsTheFileWithCrLf) {
    std::u16string expected = expectedSettingsText();
    ASSERT_NE(expected.find(u"\r\n[Application]\r\n"), std::u16string::npos);
    EXPECT_EQ(readEmbeddedSettingsText(kUpgradeCode), expected);
}

struct LayeredCase {
    const char* section;
    const char* key;
    std::u16string expected;
};

class EmbeddedOverlay : public testing::TestWithParam<LayeredCase> {};

TEST_P(EmbeddedOverlay, LayersUnderTheLauncherIni) {
    test::TempFolder folder;
    std::filesystem::path ini = folder.path() / "tool.ini";
    test::writeBytes(ini, "[Java Runtime Environment]\r\nMin Version=17\r\n"
                          "[Java Virtual Machine]\r\nParameters=\r\n"
                          "[Java Virtual Machine+]\r\nParameters=-Xmx1g\r\n");
    LayeredIniFile layered(ini.u16string());
    layered.overlay().loadFromText(readEmbeddedSettingsText(kUpgradeCode));
    EXPECT_EQ(layered.read(fromAscii(GetParam().section), fromAscii(GetParam().key)), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Keys, EmbeddedOverlay, testing::Values(
    LayeredCase{"Java Runtime Environment", "JRE Path", u"C:\\Embedded\\jre\\"},
    LayeredCase{"Java Runtime Environment", "Min Version", u"17"},
    LayeredCase{"Java Virtual Machine", "Parameters", u"-Xms64m -Xmx1g"},
    LayeredCase{"Application", "Main Class", u"com.example.Embedded"},
    LayeredCase{"Application", "Name", u"Caf\u00e9 \u4e2d\u6587"},
    LayeredCase{"Application", "Missing", u""}));

TEST(EmbeddedResources, WrongUpgradeCodeGivesNoSettings) {
    std::u16string text = readEmbeddedSettingsText(u"{00000000-0000-0000-0000-000000000000}");
    EXPECT_NE(text, expectedSettingsText());
    IniSectionMap overlay;
    overlay.loadFromText(text);
    std::u16string value;
    overlay.getString(u"Application", u"Main Class", value);
    EXPECT_EQ(value, u"");
}

// A start reads the settings more than once and deciphers them once: what
// it keeps must still belong to the upgrade code asked with.
TEST(EmbeddedResources, EachUpgradeCodeGetsItsOwnText) {
    for (int round = 0; round < 2; ++round) {
        EXPECT_EQ(readEmbeddedSettingsText(kUpgradeCode), expectedSettingsText());
        EXPECT_NE(readEmbeddedSettingsText(u"{00000000-0000-0000-0000-000000000000}"), expectedSettingsText());
    }
}

TEST(EmbeddedResources, AbsentResourceIsEmpty) {
    EXPECT_TRUE(loadOwnResource(4242).empty());
    EXPECT_TRUE(decipher(kKeyText, loadOwnResource(4242)).empty());
}

// Resources that make no sense as text are read without harm.
TEST(EmbeddedResources, GarbageAndOddLengthTextsLoad) {
    Bytes odd = loadOwnResource(7001);
    ASSERT_EQ(odd.size(), 3u);
    EXPECT_EQ(bytesToText(decipher(kKeyText, odd)).size(), 1u);

    Bytes settings = loadOwnResource(kEmbeddedSettingsResource);
    ASSERT_FALSE(settings.empty());
    for (const char16_t* key : {u"", u"wrong", kUpgradeCode, kKeyText}) {
        IniSectionMap overlay;
        overlay.loadFromText(bytesToText(decipher(key, settings)));
        overlay.loadFromText(bytesToText(settings)); // enciphered bytes as text
        TextList names;
        overlay.getSectionNames(names);
        EXPECT_EQ(names.size(), overlay.sections().size());
    }

    IniSectionMap overlay;
    overlay.loadFromText(u"[S]\r\nk=\xDC00\xD800\r\n[\xD800]\r\nj=v");
    std::u16string value;
    overlay.getString(u"S", u"k", value);
    EXPECT_EQ(value, u"\xDC00\xD800");
    overlay.getString(u"\xD800", u"j", value);
    EXPECT_EQ(value, u"v");
}

// The user's own language wins only with a resource of its own; then comes
// the primary language with its default sublanguage, then the neutral one.
TEST(EmbeddedResources, LanguageOrder) {
    if (GetUserDefaultLangID() != MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN_AUSTRIAN)) {
        GTEST_SKIP() << "needs German (Austria) as the user's language (LC_ALL=de_AT.UTF-8)";
    }
    auto text = [](uint16_t id) {
        Bytes bytes = loadOwnResource(id);
        return std::string(bytes.begin(), bytes.end());
    };
    EXPECT_EQ(text(7002), "AT");
    EXPECT_EQ(text(7003), "DE");
    EXPECT_EQ(text(7004), "NN");
}

} // namespace
