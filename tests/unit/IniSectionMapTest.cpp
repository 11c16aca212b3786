#include "config/IniSectionMap.h"

#include <gtest/gtest.h>

using namespace launcher;

namespace {

// getString through a fresh out value: missing entries leave it as it was.
std::u16string lookup(IniSectionMap& map, std::u16string_view section, std::u16string_view key) {
    std::u16string value = u"<unchanged>";
    map.getString(section, key, value);
    return value;
}

struct LoadCase {
    const char* name;
    std::u16string text;
    std::u16string section;
    std::u16string key;
    std::u16string expected;
};

class LoadFromText : public testing::TestWithParam<LoadCase> {};

TEST_P(LoadFromText, FindsEntry) {
    IniSectionMap map;
    map.loadFromText(GetParam().text);
    EXPECT_EQ(lookup(map, GetParam().section, GetParam().key), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, LoadFromText, testing::Values(
    LoadCase{"Plain", u"[S]\r\nk=v\r\n", u"S", u"k", u"v"},
    LoadCase{"ByteOrderMarkBeforeFirstHeader", u"\xFEFF[S]\r\nk=v", u"S", u"k", u"v"},
    LoadCase{"BlanksAroundKeyAndValue", u"[S]\r\n \t k \t = \t v w \t \r\n", u"S", u"k", u"v w"},
    LoadCase{"UnicodeSpacesTrimmed", u"[S]\r\n\u3000k\u00A0=\u2003v\u3000", u"S", u"k", u"v"},
    LoadCase{"BlankLinesIgnored", u"\r\n\r\n[S]\r\n\r\n   \r\nk=v\r\n\r\n", u"S", u"k", u"v"},
    LoadCase{"ValueKeepsLaterEquals", u"[S]\r\nk=a=b", u"S", u"k", u"a=b"},
    LoadCase{"EmptyValue", u"[S]\r\nk=", u"S", u"k", u""},
    LoadCase{"QuotesKept", u"[S]\r\nk=\"v\"", u"S", u"k", u"\"v\""},
    LoadCase{"SemicolonStartsKey", u"[S]\r\n;k=v", u"S", u";k", u"v"},
    LoadCase{"HeaderAfterControlCharacters", u"\x01\x1F [S]\r\nk=v", u"S", u"k", u"v"},
    LoadCase{"HeaderWithTrailingBlanks", u"[S]  \t\r\nk=v", u"S", u"k", u"v"},
    LoadCase{"HeaderNameNotTrimmed", u"[ S ]\r\nk=v", u" S ", u"k", u"v"},
    LoadCase{"HeaderNameUpToLastBracket", u"[a]b]\r\nk=v", u"a]b", u"k", u"v"},
    LoadCase{"EmptyHeaderName", u"[]\r\nk=v", u"", u"k", u"v"},
    LoadCase{"FirstOfDuplicateKeys", u"[S]\r\nk=1\r\nk=2", u"S", u"k", u"1"},
    LoadCase{"SecondSectionOfOtherName", u"[A]\r\nk=1\r\n[B]\r\nk=2", u"B", u"k", u"2"},
    LoadCase{"LastLineWithoutBreak", u"[S]\r\nk=v", u"S", u"k", u"v"},
    LoadCase{"LoneSurrogatesKept", u"[S]\r\nk=\xD800x\xDC00", u"S", u"k", u"\xD800x\xDC00"}),
    [](const testing::TestParamInfo<LoadCase>& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(Misses, LoadFromText, testing::Values(
    LoadCase{"BeforeFirstHeader", u"k=v\r\n[S]\r\n", u"S", u"k", u"<unchanged>"},
    LoadCase{"LineWithoutEquals", u"[S]\r\nk\r\n", u"S", u"k", u"<unchanged>"},
    LoadCase{"SectionNameIsCaseSensitive", u"[S]\r\nk=v", u"s", u"k", u"<unchanged>"},
    LoadCase{"KeyIsCaseSensitive", u"[S]\r\nk=v", u"S", u"K", u"<unchanged>"},
    LoadCase{"TextAfterClosingBracketIsNoHeader", u"[S] x\r\nk=v", u"S", u"k", u"<unchanged>"},
    LoadCase{"OpeningBracketOnly", u"[S\r\nk=v", u"S", u"k", u"<unchanged>"},
    LoadCase{"LineFeedAloneDoesNotSplit", u"[S]\nk=v", u"S", u"k", u"<unchanged>"},
    LoadCase{"ByteOrderMarkOnlyRemovedFromFirstLine", u"[A]\r\n\xFEFF[S]\r\nk=v", u"S", u"k", u"<unchanged>"},
    LoadCase{"EmptyText", u"", u"S", u"k", u"<unchanged>"}),
    [](const testing::TestParamInfo<LoadCase>& info) { return std::string(info.param.name); });

TEST(IniSectionMap, DuplicateHeaderKeepsFirstOccurrence) {
    IniSectionMap map;
    map.loadFromText(u"\xFEFF[Java Runtime Environment]\r\n  Min Version = 11 \r\n\r\n"
                     u"[Java Runtime Environment]\r\nMin Version=17\r\nMax Version=21\r\n");
    EXPECT_EQ(lookup(map, u"Java Runtime Environment", u"Min Version"), u"11");
    EXPECT_EQ(lookup(map, u"Java Runtime Environment", u"Max Version"), u"<unchanged>");
    TextList names;
    map.getSectionNames(names);
    EXPECT_EQ(names, (TextList{u"Java Runtime Environment", u"Java Runtime Environment"}));
}

TEST(IniSectionMap, LoadReplacesContent) {
    IniSectionMap map;
    map.loadFromText(u"[Old]\r\nk=v");
    map.loadFromText(u"[New]\r\nk=w");
    EXPECT_EQ(lookup(map, u"Old", u"k"), u"<unchanged>");
    EXPECT_EQ(lookup(map, u"New", u"k"), u"w");
    map.loadFromText(u"");
    EXPECT_TRUE(map.sections().empty());
}

TEST(IniSectionMap, WriteAppendsAndFirstEntryWins) {
    IniSectionMap map;
    EXPECT_TRUE(map.writeString(u"S", u"k", u"1"));
    EXPECT_TRUE(map.writeString(u"T", u"k", u"2"));
    EXPECT_TRUE(map.writeString(u"S", u"k", u"3"));
    EXPECT_TRUE(map.writeString(u"S", u"j", u"4"));
    EXPECT_EQ(lookup(map, u"S", u"k"), u"1");
    EXPECT_EQ(lookup(map, u"S", u"j"), u"4");
    EXPECT_EQ(lookup(map, u"T", u"k"), u"2");
    ASSERT_EQ(map.sections().size(), 2u);
    EXPECT_EQ(map.sections()[0].entries.size(), 3u);
    TextList names{u"stale"};
    map.getSectionNames(names);
    EXPECT_EQ(names, (TextList{u"S", u"T"}));
}

TEST(IniSectionMap, HeaderAndDeleteHaveNoFile) {
    IniSectionMap map;
    uint32_t header = 0xFFFFFFFF;
    EXPECT_EQ(map.readHeader(header), 1u);
    EXPECT_EQ(header, 0u);
    map.writeString(u"S", u"k", u"v");
    EXPECT_TRUE(map.deleteFile());
    EXPECT_EQ(lookup(map, u"S", u"k"), u"v");
}

TEST(IniSectionMap, GarbageTextNeverBreaksLoading) {
    std::u16string garbage;
    uint32_t seed = 12345;
    for (int i = 0; i < 20000; ++i) {
        seed = seed * 1103515245 + 12345;
        // Mostly the characters that matter to the parser, with lone
        // surrogates and control characters between them.
        static const char16_t alphabet[] = u"[]=\r\n \t;+\xFEFF\xD800\xDFFF\x01xyz";
        garbage.push_back(alphabet[(seed >> 16) % (std::size(alphabet) - 1)]);
    }
    IniSectionMap map;
    map.loadFromText(garbage);
    for (const IniSectionMap::Section& section : map.sections()) {
        for (const IniSectionMap::Entry& entry : section.entries) {
            EXPECT_EQ(entry.key.find(u'='), std::u16string::npos);
            EXPECT_EQ(entry.key.find(u"\r\n"), std::u16string::npos);
            EXPECT_EQ(entry.value.find(u"\r\n"), std::u16string::npos);
        }
    }
}

} // namespace
