#include "IniTestFiles.h"

#include "config/LayeredIniFile.h"

#include <gtest/gtest.h>

using namespace launcher;
using namespace launcher::test;

namespace {

struct LayerCase {
    const char* name;
    std::u16string overlay; // embedded text, CR LF lines
    std::string file;       // launcher INI; no file at all when empty
    std::u16string expected;
};

class LayeredLookup : public testing::TestWithParam<LayerCase> {};

TEST_P(LayeredLookup, CombinesOverlayAndFile) {
    TempIniFile file;
    if (!GetParam().file.empty()) writeBytes(file.path(), GetParam().file);
    LayeredIniFile layered(file.text());
    layered.overlay().loadFromText(GetParam().overlay);
    std::u16string value = u"<stale>";
    layered.getString(u"Java Virtual Machine", u"Parameters", value);
    EXPECT_EQ(value, GetParam().expected);
    EXPECT_EQ(layered.read(u"Java Virtual Machine", u"Parameters"), GetParam().expected);
}

const std::u16string kEmbedded = u"[Java Virtual Machine]\r\nParameters=-Xms64m\r\n";

INSTANTIATE_TEST_SUITE_P(Cases, LayeredLookup, testing::Values(
    LayerCase{"NothingAnywhere", u"", "", u""},
    LayerCase{"OverlayOnly", kEmbedded, "", u"-Xms64m"},
    LayerCase{"OverlayWithFileLackingKey", kEmbedded, "[Java Virtual Machine]\r\nOther=1\r\n", u"-Xms64m"},
    LayerCase{"FileValueWins", kEmbedded, "[Java Virtual Machine]\r\nParameters=-Xmx1g\r\n", u"-Xmx1g"},
    LayerCase{"FileValueWinsOverExtension", kEmbedded,
              "[Java Virtual Machine]\r\nParameters=-Xmx1g\r\n[Java Virtual Machine+]\r\nParameters=-Dx=1\r\n", u"-Xmx1g"},
    LayerCase{"ExtensionAfterEmptyFileValue", kEmbedded,
              "[Java Virtual Machine]\r\nParameters=\r\n[Java Virtual Machine+]\r\nParameters=-Xmx1g\r\n", u"-Xms64m -Xmx1g"},
    LayerCase{"ExtensionWithoutFileSection", kEmbedded, "[Java Virtual Machine+]\r\nParameters=-Xmx1g\r\n", u"-Xms64m -Xmx1g"},
    LayerCase{"ExtensionWithoutOverlayGetsLeadingSpace", u"", "[Java Virtual Machine+]\r\nParameters=-Xmx1g\r\n", u" -Xmx1g"},
    LayerCase{"ExtensionStartingWithSpaceAddsNone", kEmbedded, "[Java Virtual Machine+]\r\nParameters=\" -Xmx1g\"\r\n", u"-Xms64m -Xmx1g"},
    LayerCase{"ExtensionSectionIgnoresCase", kEmbedded, "[JAVA VIRTUAL MACHINE+]\r\nPARAMETERS=-Xmx1g\r\n", u"-Xms64m -Xmx1g"},
    LayerCase{"EmptyExtensionAddsNothing", kEmbedded, "[Java Virtual Machine+]\r\nParameters=\r\n", u"-Xms64m"},
    // The overlay compares names exactly; the file does not.
    LayerCase{"OverlayNamesAreExact", u"[java virtual machine]\r\nparameters=-Xms64m\r\n", "", u""}),
    [](const testing::TestParamInfo<LayerCase>& info) { return std::string(info.param.name); });

// A reader learns once whether the file extends anything at all; what it
// learnt must not hide an extension of another section or a later reader's.
TEST(LayeredIniFile, ExtensionsFoundAfterKeysWithout) {
    TempIniFile file("[A]\r\nk=file\r\n[B+]\r\nk=more\r\n");
    LayeredIniFile layered(file.text());
    layered.overlay().loadFromText(u"[B]\r\nk=embedded\r\n");
    EXPECT_EQ(layered.read(u"A", u"k"), u"file");
    EXPECT_EQ(layered.read(u"A", u"j"), u"");
    EXPECT_EQ(layered.read(u"B", u"k"), u"embedded more");

    TempIniFile plain("[A]\r\nk=file\r\n");
    LayeredIniFile first(plain.text());
    first.overlay().loadFromText(u"[A]\r\nj=embedded\r\n");
    EXPECT_EQ(first.read(u"A", u"j"), u"embedded");
    ASSERT_TRUE(IniFile(plain.text()).writeString(u"A+", u"j", u"more"));
    LayeredIniFile second(plain.text());
    second.overlay().loadFromText(u"[A]\r\nj=embedded\r\n");
    EXPECT_EQ(second.read(u"A", u"j"), u"embedded more");
}

TEST(LayeredIniFile, OtherOperationsActOnTheirOwnSide) {
    TempIniFile file("[File Section]\r\nk=v\r\n");
    LayeredIniFile layered(file.text());
    layered.overlay().loadFromText(u"[Embedded Section]\r\nk=e\r\n");

    TextList names;
    static_cast<IniFile&>(layered).getSectionNames(names);
    EXPECT_EQ(names, TextList{u"File Section"});
    layered.overlay().getSectionNames(names);
    EXPECT_EQ(names, TextList{u"Embedded Section"});

    uint32_t header = 7;
    EXPECT_EQ(layered.overlay().readHeader(header), 1u);
    EXPECT_EQ(header, 0u);
    EXPECT_EQ(static_cast<IniFile&>(layered).readHeader(header), 0u);

    ASSERT_TRUE(static_cast<IniFile&>(layered).writeString(u"Written", u"k", u"w"));
    EXPECT_EQ(IniFile(file.text()).read(u"Written", u"k"), u"w");
    ASSERT_TRUE(layered.overlay().writeString(u"Added", u"k", u"a"));
    EXPECT_EQ(layered.read(u"Added", u"k"), u"a");
    EXPECT_EQ(layered.read(u"Written", u"k"), u"w");

    // Through either base the layered lookup answers.
    std::u16string value;
    static_cast<IniSource&>(static_cast<IniFile&>(layered)).getString(u"Embedded Section", u"k", value);
    EXPECT_EQ(value, u"e");
    value.clear();
    static_cast<IniSource&>(layered.overlay()).getString(u"File Section", u"k", value);
    EXPECT_EQ(value, u"v");
}

} // namespace
