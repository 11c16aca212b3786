// The INI file on disk. The same expectations hold for the platform's
// private-profile functions and for the Linux reader.

#include "IniTestFiles.h"

#include "base/Platform.h"
#include "config/IniFile.h"

#include <gtest/gtest.h>

using namespace launcher;
using namespace launcher::test;

namespace {

std::string repeat(char c, size_t count) { return std::string(count, c); }

struct ReadCase {
    const char* name;
    std::string file;
    std::u16string section;
    std::u16string key;
    std::u16string expected;
};

class IniFileRead : public testing::TestWithParam<ReadCase> {};

TEST_P(IniFileRead, ReturnsValue) {
    TempIniFile file(GetParam().file);
    std::u16string value = u"<stale>";
    IniFile(file.text()).getString(GetParam().section, GetParam().key, value);
    EXPECT_EQ(value, GetParam().expected);
}

std::string caseName(const testing::TestParamInfo<ReadCase>& info) { return info.param.name; }

INSTANTIATE_TEST_SUITE_P(Values, IniFileRead, testing::Values(
    ReadCase{"Plain", "[S]\r\nk=v\r\n", u"S", u"k", u"v"},
    ReadCase{"Value300Characters", "[S]\r\nk=" + repeat('x', 300) + "\r\n", u"S", u"k", fromAscii(repeat('x', 300))},
    ReadCase{"Value255Characters", "[S]\r\nk=" + repeat('y', 255) + "\r\n", u"S", u"k", fromAscii(repeat('y', 255))},
    ReadCase{"Value5000Characters", "[S]\r\nk=" + repeat('z', 5000), u"S", u"k", fromAscii(repeat('z', 5000))},
    ReadCase{"BlanksAroundValueRemoved", "[S]\r\nk= \t x y \t \r\n", u"S", u"k", u"x y"},
    ReadCase{"DoubleQuotesRemoved", "[S]\r\nk=\"abc\"\r\n", u"S", u"k", u"abc"},
    ReadCase{"SingleQuotesRemoved", "[S]\r\nk='abc'\r\n", u"S", u"k", u"abc"},
    ReadCase{"MismatchedQuotesKept", "[S]\r\nk=\"abc'\r\n", u"S", u"k", u"\"abc'"},
    ReadCase{"LoneQuoteKept", "[S]\r\nk=\"\r\n", u"S", u"k", u"\""},
    ReadCase{"EmptyQuotes", "[S]\r\nk=\"\"\r\n", u"S", u"k", u""},
    ReadCase{"BlanksInsideQuotesKept", "[S]\r\nk= \" a \" \r\n", u"S", u"k", u" a "},
    ReadCase{"SectionNameIgnoresCase", "[Java Runtime Environment]\r\nk=v", u"JAVA runtime environment", u"k", u"v"},
    ReadCase{"KeyIgnoresCase", "[S]\r\nMin Version=11", u"S", u"min VERSION", u"11"},
    ReadCase{"BlanksAroundNamesIgnored", "[ S ]\r\n  k  =  v  \r\n", u"S", u"k", u"v"},
    ReadCase{"ValueKeepsLaterEquals", "[S]\r\nk=a=b\r\n", u"S", u"k", u"a=b"},
    ReadCase{"FirstOfDuplicateKeys", "[S]\r\nk=1\r\nk=2\r\n", u"S", u"k", u"1"},
    ReadCase{"OnlyFirstSectionOfName", "[D]\r\na=1\r\n[D]\r\nb=2\r\n", u"D", u"b", u""},
    ReadCase{"CarriageReturnLineEnds", "[C]\ra=1\rb=2\r", u"C", u"b", u"2"},
    ReadCase{"LineFeedLineEnds", "[C]\na=1\nb=2\n", u"C", u"b", u"2"},
    ReadCase{"TextAfterHeaderBracket", "[S] trailing\r\nk=v\r\n", u"S", u"k", u"v"},
    ReadCase{"HeaderNameEndsAtLastBracket", "[ S ] x ]\r\nk=v\r\n", u"S ] x", u"k", u"v"},
    ReadCase{"UnclosedHeaderIsNoHeader", "[A]\r\n[Open\r\nk=v\r\n", u"A", u"k", u"v"},
    ReadCase{"UnclosedHeaderNameUnknown", "[A]\r\n[Open\r\nk=v\r\n", u"Open", u"k", u""},
    ReadCase{"Utf16File", utf16File(u"[S]\r\nk=\u00e9t\u00e9 \u4e2d\r\n"), u"S", u"k", u"\u00e9t\u00e9 \u4e2d"},
    ReadCase{"Utf8FileWithByteOrderMark", "\xEF\xBB\xBF[S]\r\nk=\xC3\xA9t\xC3\xA9\r\n", u"S", u"k", u"\u00e9t\u00e9"},
    ReadCase{"NulEndsValue", std::string("[S]\r\nk=a\0b\r\n", 12), u"S", u"k", u"a"},
    ReadCase{"CtrlZAfterValueRemoved", "[S]\r\nk=a\x1A\r\n", u"S", u"k", u"a"},
    ReadCase{"EntriesBeforeFirstHeader", "k=v\r\n[S]\r\nk=w\r\n", u"", u"k", u"v"},
    ReadCase{"MissingSection", "[S]\r\nk=v\r\n", u"T", u"k", u""},
    ReadCase{"MissingKey", "[S]\r\nk=v\r\n", u"S", u"j", u""},
    ReadCase{"KeyWithoutEquals", "[S]\r\nk\r\n", u"S", u"k", u""},
    ReadCase{"EmptyFile", "", u"S", u"k", u""}),
    caseName);

TEST(IniFile, MissingFileReadsEmpty) {
    TempIniFile file; // never created
    std::u16string value = u"<stale>";
    IniFile(file.text()).getString(u"S", u"k", value);
    EXPECT_EQ(value, u"");
    EXPECT_EQ(IniFile(file.text()).read(u"S", u"k"), u"");
}

TEST(IniFile, ReadHeader) {
    TempIniFile missing;
    uint32_t header = 0;
    EXPECT_EQ(IniFile(missing.text()).readHeader(header), kErrorFileNotFound);
    EXPECT_EQ(kErrorFileNotFound, 2u);

    TempIniFile full("[S]\r\nk=v");
    EXPECT_EQ(IniFile(full.text()).readHeader(header), 0u);
    EXPECT_EQ(header, 0x0D5D535Bu); // "[S]\r" read as a little-endian number

    TempIniFile shortFile("AB");
    header = 0;
    EXPECT_EQ(IniFile(shortFile.text()).readHeader(header), 0u);
    EXPECT_EQ(header, 0x4241u);
}

TEST(IniFile, SectionNamesInFileOrder) {
    TempIniFile file("[A]\r\nk=v\r\n[B]\r\n[A]\r\n[]\r\nx=1\r\n[Open\r\n[C] tail\r\n");
    TextList names{u"stale"};
    IniFile(file.text()).getSectionNames(names);
    EXPECT_EQ(names, (TextList{u"A", u"B", u"A", u"C"}));
}

TEST(IniFile, SectionNamesBeyondFirstBuffer) {
    std::string content;
    TextList expected;
    for (int i = 0; i < 120; ++i) {
        std::string name = "Section number " + std::to_string(i);
        content += "[" + name + "]\r\nk=v\r\n";
        expected.push_back(fromAscii(name));
    }
    TempIniFile file(content);
    TextList names;
    IniFile(file.text()).getSectionNames(names);
    EXPECT_EQ(names, expected);
}

TEST(IniFile, SectionNamesOfMissingFileAreEmpty) {
    TempIniFile missing;
    TextList names{u"stale"};
    IniFile(missing.text()).getSectionNames(names);
    EXPECT_TRUE(names.empty());
}

TEST(IniFile, WriteCreatesFileSectionAndKey) {
    TempIniFile file;
    IniFile ini(file.text());
    ASSERT_TRUE(ini.writeString(u"Java Runtime Environment", u"JRE Path", u"C:\\Java\\jre\\"));
    EXPECT_EQ(ini.read(u"Java Runtime Environment", u"JRE Path"), u"C:\\Java\\jre\\");
    TextList names;
    ini.getSectionNames(names);
    EXPECT_EQ(names, TextList{u"Java Runtime Environment"});
}

TEST(IniFile, WriteChangesOnlyTheOneEntry) {
    TempIniFile file("[Java Runtime Environment]\r\nMin Version=11\r\nJRE Path=old\r\n\r\n[Application]\r\nMain Class=a.B\r\n");
    IniFile ini(file.text());
    ASSERT_TRUE(ini.writeString(u"java runtime environment", u"jre path", u"new"));
    ASSERT_TRUE(ini.writeString(u"Application", u"Working Directory", u"work"));
    ASSERT_TRUE(ini.writeString(u"Splash", u"Image", u"splash.png"));
    EXPECT_EQ(ini.read(u"Java Runtime Environment", u"JRE Path"), u"new");
    EXPECT_EQ(ini.read(u"Java Runtime Environment", u"Min Version"), u"11");
    EXPECT_EQ(ini.read(u"Application", u"Main Class"), u"a.B");
    EXPECT_EQ(ini.read(u"Application", u"Working Directory"), u"work");
    EXPECT_EQ(ini.read(u"Splash", u"Image"), u"splash.png");
    TextList names;
    ini.getSectionNames(names);
    EXPECT_EQ(names, (TextList{u"Java Runtime Environment", u"Application", u"Splash"}));
}

TEST(IniFile, WriteLongValueReadsBackWhole) {
    TempIniFile file;
    IniFile ini(file.text());
    std::u16string value = fromAscii(repeat('p', 1000));
    ASSERT_TRUE(ini.writeString(u"S", u"k", value));
    EXPECT_EQ(ini.read(u"S", u"k"), value);
}

TEST(IniFile, WriteKeepsUtf16File) {
    TempIniFile file(utf16File(u"[S]\r\na=\u00e9\r\n"));
    IniFile ini(file.text());
    ASSERT_TRUE(ini.writeString(u"S", u"b", u"\u4e2d\u6587"));
    std::string bytes = file.bytes();
    EXPECT_EQ(bytes.substr(0, 4), std::string("\xFF\xFE[\0", 4));
    EXPECT_EQ(ini.read(u"S", u"a"), u"\u00e9");
    EXPECT_EQ(ini.read(u"S", u"b"), u"\u4e2d\u6587");
}

TEST(IniFile, WriteIntoMissingFolderFails) {
    TempFolder parent;
    std::filesystem::path folder = parent.path() / "missing";
    IniFile ini((folder / "tool.ini").u16string());
    EXPECT_FALSE(ini.writeString(u"S", u"k", u"v"));
    EXPECT_FALSE(std::filesystem::exists(folder));
}

TEST(IniFile, DeleteFile) {
    TempIniFile file("[S]\r\nk=v\r\n");
    IniFile ini(file.text());
    EXPECT_TRUE(ini.deleteFile());
    EXPECT_FALSE(std::filesystem::exists(file.path()));
    uint32_t header = 0;
    EXPECT_EQ(ini.readHeader(header), kErrorFileNotFound);
    EXPECT_FALSE(ini.deleteFile());
}

} // namespace
