// Version information, the application's INI and the embedded configuration.

#include "EmbeddedConfig.h"
#include "IniEdit.h"
#include "RuntimePin.h"
#include "VersionInfo.h"

#include "base/Text.h"
#include "config/EmbeddedSettings.h"

#include <gtest/gtest.h>

namespace launcher::pack {
namespace {

TEST(VersionNumberText, AcceptsThreeOrFourNumbersUpTo65535) {
    EXPECT_EQ(parseVersionNumber("1.2.3.4"), (VersionNumber4{1, 2, 3, 4}));
    EXPECT_EQ(parseVersionNumber("65535.0.0.65535"), (VersionNumber4{65535, 0, 0, 65535}));
    EXPECT_EQ(parseVersionNumber("1.2.3"), (VersionNumber4{1, 2, 3, 0}));
    EXPECT_EQ(parseVersionNumber("0.0.65535"), (VersionNumber4{0, 0, 65535, 0}));
    for (const char* bad : {"", "1.2", "1.2.", "1.2.3.", ".1.2.3", "1.2.65536", "1.2.3x", "1.2.3.4.5", "1.2.3.65536", "1..3.4", "1.2.3.4 ", "-1.2.3.4", "a.b.c.d",
                            "1.2.3.4x", "000000001.2.3.4", "1.2.3.99999999999"}) {
        EXPECT_THROW(parseVersionNumber(bad), PackError) << bad;
    }
}

TEST(VersionInfoBlock, ReadsBackWhatItWrites) {
    VersionInfo info{{1, 2, 3, 4}, {5, 6, 7, 8}, {{u"CompanyName", u"ACME \u00e9"}, {u"Empty", u""}, {u"Odd", u"abc"}}};
    Bytes block = buildVersionInfo(info);
    EXPECT_EQ(block[0] | block[1] << 8, static_cast<int>(block.size()));
    VersionInfo read = readVersionInfo(block);
    EXPECT_EQ(read.fileVersion, info.fileVersion);
    EXPECT_EQ(read.productVersion, info.productVersion);
    EXPECT_EQ(read.strings, info.strings);
    block.resize(block.size() - 2);
    EXPECT_THROW(readVersionInfo(block), PackError);
}

struct IniCase {
    const char* name;
    std::string before;
    std::string after;
};
void PrintTo(const IniCase& c, std::ostream* out) { *out << c.name; }

class UpgradeCodeInIni : public testing::TestWithParam<IniCase> {};

TEST_P(UpgradeCodeInIni, KeepsEveryOtherLine) {
    EXPECT_EQ(setIniValue(GetParam().before, "Product Information", "Upgrade Code", "{X}"), GetParam().after);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, UpgradeCodeInIni,
    testing::Values(
        IniCase{"Empty", "", "[Product Information]\r\nUpgrade Code={X}\r\n"},
        IniCase{"NoSectionLf", "[Application]\nCmd=a", "[Application]\nCmd=a\n[Product Information]\nUpgrade Code={X}\n"},
        IniCase{"ReplacedInPlace", "[product information]\r\nProduct Name=A\r\n  upgrade code = {old}\r\n[B]\r\nk=v\r\n",
                "[product information]\r\nProduct Name=A\r\nUpgrade Code={X}\r\n[B]\r\nk=v\r\n"},
        IniCase{"AddedAfterTheHeader", "[A]\nUpgrade Code=other\n[ Product Information ]\nProduct Name=A\n",
                "[A]\nUpgrade Code=other\n[ Product Information ]\nUpgrade Code={X}\nProduct Name=A\n"},
        IniCase{"OnlyTheFirstSectionCounts", "[Product Information]\n[Product Information]\nUpgrade Code=old\n",
                "[Product Information]\nUpgrade Code={X}\n[Product Information]\nUpgrade Code=old\n"}),
    [](const testing::TestParamInfo<IniCase>& info) { return std::string(info.param.name); });

// The ARM64 sibling's settings: every pin key goes, from each section of
// that name and in any letter case; nothing else changes.
class PinLeftOut : public testing::TestWithParam<IniCase> {};

TEST_P(PinLeftOut, KeepsEveryOtherLine) { EXPECT_EQ(withoutRuntimePin(GetParam().before), GetParam().after); }

INSTANTIATE_TEST_SUITE_P(
    Cases, PinLeftOut,
    testing::Values(
        IniCase{"AllFourKeys",
                "[Java Runtime Environment]\r\nRuntime Download URL=https://e/j.zip\r\nMain Class=a.B\r\n"
                "Runtime Download SHA-256=ab\r\nRuntime Download Size=5\r\nRuntime Download=Automatic\r\n",
                "[Java Runtime Environment]\r\nMain Class=a.B\r\n"},
        IniCase{"CaseBlanksAndLastLine", "[ java runtime environment ]\n  runtime download url = x\nk=v\nRUNTIME DOWNLOAD=Ask",
                "[ java runtime environment ]\nk=v\n"},
        IniCase{"EverySectionOfThatName",
                "[Java Runtime Environment]\nRuntime Download URL=a\n[Application]\nRuntime Download URL=keep\n"
                "[Java Runtime Environment]\nRuntime Download SHA-256=b\n",
                "[Java Runtime Environment]\n[Application]\nRuntime Download URL=keep\n[Java Runtime Environment]\n"},
        IniCase{"CommentsAndLookalikesStay",
                "[Java Runtime Environment]\n;Runtime Download URL=a\nRuntime Download URLs=b\nRuntime Download Mode=c\n",
                "[Java Runtime Environment]\n;Runtime Download URL=a\nRuntime Download URLs=b\nRuntime Download Mode=c\n"},
        IniCase{"NoPin", "", ""}),
    [](const testing::TestParamInfo<IniCase>& info) { return std::string(info.param.name); });

TEST(EmbeddedSettingsResources, LauncherReadsTheFileWithCrLf) {
    ResourceList resources = {Resource{{kRtRcData, {}}, {kEmbeddedSettingsResource, {}}, 0x409, 0, {1, 2, 3}}};
    embedSettings(resources, "{6F1C-AB}", "\xEF\xBB\xBF[Application]\nMain Class=a.B\r\nName=Caf\xC3\xA9\rX=1");
    ASSERT_EQ(resources.size(), 2u); // the old 8000 is gone
    auto data = [&](uint16_t id) {
        for (const Resource& r : resources) {
            if (r.name.id == id && r.language == 0) return r.data;
        }
        return Bytes{};
    };
    // Deciphered the launcher's way, with the platform's own cipher.
    std::u16string key = bytesToText(decipher(u"{6F1C-AB}", data(kEmbeddedKeyResource)));
    EXPECT_EQ(bytesToText(decipher(key, data(kEmbeddedSettingsResource))),
              u"[Application]\r\nMain Class=a.B\r\nName=Caf\u00e9\r\nX=1");
    EXPECT_EQ(readEmbeddedSettings(resources, "{6F1C-AB}"), "[Application]\nMain Class=a.B\nName=Caf\xC3\xA9\nX=1");
    EXPECT_NE(readEmbeddedSettings(resources, "{6F1C-AC}"), readEmbeddedSettings(resources, "{6F1C-AB}"));
}

TEST(EmbeddedSettingsResources, RefusesWhatTheLauncherCouldNotRead) {
    ResourceList resources;
    EXPECT_THROW(embedSettings(resources, "code", "Name=\xC3("), PackError);
    for (const char* code : {"", "caf\xC3\xA9", " lead", "trail ", "\"quoted\"", "tab\tin"}) {
        EXPECT_THROW(checkUpgradeCode(code), PackError) << code;
    }
    EXPECT_NO_THROW(checkUpgradeCode("{6F1C2D3E-4A5B} with 'inner' quotes"));
    EXPECT_TRUE(resources.empty());
}

} // namespace
} // namespace launcher::pack
