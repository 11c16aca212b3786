// The Linux port's INI reader and writer over bytes and text.

#include "config/IniText.h"

#include <gtest/gtest.h>

#include <random>

using namespace launcher;

namespace {

std::string utf16(std::u16string_view text, bool bom = true) {
    std::string bytes = bom ? "\xFF\xFE" : "";
    for (char16_t c : text) {
        bytes.push_back(static_cast<char>(c & 0xFF));
        bytes.push_back(static_cast<char>(c >> 8));
    }
    return bytes;
}

struct DecodeCase {
    const char* name;
    std::string bytes;
    std::u16string text;
};

class DecodeIniBytes : public testing::TestWithParam<DecodeCase> {};

TEST_P(DecodeIniBytes, Decodes) { EXPECT_EQ(decodeIniBytes(GetParam().bytes), GetParam().text); }

INSTANTIATE_TEST_SUITE_P(Encodings, DecodeIniBytes, testing::Values(
    DecodeCase{"Empty", "", u""},
    DecodeCase{"Utf8", "k=\xC3\xA9\xE4\xB8\xAD", u"k=\u00e9\u4e2d"},
    DecodeCase{"Utf8ByteOrderMarkRemoved", "\xEF\xBB\xBFk=v", u"k=v"},
    DecodeCase{"InvalidUtf8Replaced", "a\xFF" "b\xC3", u"a\xFFFD" "b\xFFFD"},
    DecodeCase{"Latin1BytesReplaced", "caf\xE9!", u"caf\xFFFD!"},
    DecodeCase{"LoneSurrogateForm", "a\xED\xA0\xBD" "b\xED\xB8\x80", u"a\xD83D" "b\xDE00"},
    DecodeCase{"SurrogateFormAfterBrokenSequence", "\xE2\xED\xA0\x80", u"\xFFFD\xD800"},
    DecodeCase{"Utf16", utf16(u"[S]\r\nk=\u4e2d"), u"[S]\r\nk=\u4e2d"},
    DecodeCase{"Utf16OddByteDropped", utf16(u"k=v") + "\x41", u"k=v"},
    DecodeCase{"Utf16ByteOrderMarkOnly", "\xFF\xFE", u""},
    DecodeCase{"Utf16WithoutMarkIsNotGuessed", utf16(u"k", false), std::u16string(u"k\0", 2)}),
    [](const testing::TestParamInfo<DecodeCase>& info) { return std::string(info.param.name); });

TEST(DetectIniEncoding, ByByteOrderMark) {
    EXPECT_EQ(detectIniEncoding("\xFF\xFE[\0"), IniEncoding::Utf16Le);
    EXPECT_EQ(detectIniEncoding("\xEF\xBB\xBF["), IniEncoding::Utf8WithBom);
    EXPECT_EQ(detectIniEncoding("[S]"), IniEncoding::Utf8);
    EXPECT_EQ(detectIniEncoding("\xFF"), IniEncoding::Utf8);
}

struct FindCase {
    const char* name;
    std::u16string text;
    std::u16string section;
    std::u16string key;
    std::optional<std::u16string> value;
};

class FindIniValue : public testing::TestWithParam<FindCase> {};

TEST_P(FindIniValue, Finds) {
    EXPECT_EQ(findIniValue(GetParam().text, GetParam().section, GetParam().key), GetParam().value);
}

// The file reader looks values up in an index of the text: the same rules.
TEST_P(FindIniValue, IndexFindsTheSame) {
    IniIndex index(GetParam().text);
    std::optional<std::u16string_view> found = index.find(GetParam().section, GetParam().key);
    EXPECT_EQ(found ? std::optional<std::u16string>(*found) : std::nullopt, GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(Rules, FindIniValue, testing::Values(
    FindCase{"CommentLineIsNoEntry", u"[S]\r\n;k=v\r\n", u"S", u";k", std::nullopt},
    FindCase{"IndentedComment", u"[S]\r\n  ; k=v\r\nk=w", u"S", u"k", u"w"},
    FindCase{"CommentedHeaderIsNoHeader", u"[S]\r\n;[T]\r\nk=v", u"S", u"k", u"v"},
    FindCase{"HashIsNoComment", u"[S]\r\n#k=v", u"S", u"#k", u"v"},
    FindCase{"SemicolonInsideValueKept", u"[S]\r\nk=a;b", u"S", u"k", u"a;b"},
    FindCase{"EntriesBeforeFirstHeader", u"k=v\r\n[S]\r\nk=w", u"", u"k", u"v"},
    FindCase{"EmptyValueIsFound", u"[S]\r\nk=", u"S", u"k", u""},
    FindCase{"MissingKey", u"[S]\r\nk=v", u"S", u"j", std::nullopt},
    FindCase{"LatinOneCaseFolded", u"[\u00c4RGER]\r\n\u00dcBER=1", u"\u00e4rger", u"\u00fcber", u"1"},
    FindCase{"CtrlZIsBlank", u"[S]\r\nk=v\x1A", u"S", u"k", u"v"},
    FindCase{"NulKeptInText", std::u16string(u"[S]\r\nk=a\0b", 10), u"S", u"k", std::u16string(u"a\0b", 3)},
    FindCase{"BlanksOnlyInsideQuotes", u"[S]\r\nk=\"  \"", u"S", u"k", u"  "},
    FindCase{"MixedLineEnds", u"[A]\r\na=1\n[B]\rb=2\r\n", u"B", u"b", u"2"},
    FindCase{"EqualsInSectionName", u"[a=b]\r\nk=v", u"a=b", u"k", u"v"},
    FindCase{"HeaderNameEndsAtLastBracket", u"[a] x]\r\nk=v", u"a] x", u"k", u"v"},
    FindCase{"HeaderNameIsNotCutAtFirstBracket", u"[a] x]\r\nk=v", u"a", u"k", std::nullopt},
    FindCase{"LaterSectionAfterUnclosedHeader", u"[A]\r\n[B\r\nk=v\r\n[C]\r\nk=w", u"C", u"k", u"w"},
    FindCase{"OnlyFirstSectionOfANameCounts", u"[S]\r\na=1\r\n[T]\r\n[ s ]\r\nb=2", u"S", u"b", std::nullopt},
    FindCase{"FirstKeyOfANameWins", u"[S]\r\nk=1\r\n K =2", u"s", u"k", u"1"},
    FindCase{"EmptyHeaderAfterLeadingEntries", u"a=1\r\n[X]\r\nb=0\r\n[]\r\nb=2", u"", u"b", u"2"},
    FindCase{"LeadingEntryBeforeEmptyHeader", u"k=1\r\n[]\r\nk=2", u" ", u"k", u"1"},
    FindCase{"NamedSectionSkipsLeadingEntries", u"k=1\r\n[S]\r\nj=2", u"S", u"k", std::nullopt},
    FindCase{"EmptyText", u"", u"", u"k", std::nullopt},
    FindCase{"KeyAloneIsAnEmptyEntry", u"[S]\r\n  Main Class \r\n", u"S", u"main class", u""},
    FindCase{"KeyAloneHidesALaterLineOfIt", u"[S]\r\nMain Class\r\nMain Class=demo.Hello", u"S", u"Main Class", u""},
    FindCase{"KeyAloneBeforeFirstHeader", u"k\r\nk=v\r\n[S]", u"", u"k", u""},
    FindCase{"UnclosedHeaderIsAKeyAlone", u"[A]\r\n[B\r\n[B=v", u"A", u"[B", u""},
    FindCase{"BlankLineIsNoKey", u"[S]\r\n \t\r\nk=v", u"S", u"", std::nullopt}),
    [](const testing::TestParamInfo<FindCase>& info) { return std::string(info.param.name); });

TEST(ListIniSections, SkipsCommentsAndUnclosedHeaders) {
    EXPECT_EQ(listIniSections(u"k=v\r\n[A]\r\n;[X]\r\n[ B ] note\r\n[C\r\n[A]\r\n[]"),
              (TextList{u"A", u"B", u"A", u""}));
    EXPECT_TRUE(listIniSections(u"").empty());
}

struct SetCase {
    const char* name;
    std::string before;
    std::u16string section;
    std::u16string key;
    std::u16string value;
    std::string after;
};

class SetIniValue : public testing::TestWithParam<SetCase> {};

TEST_P(SetIniValue, ChangesOnlyTheEntry) {
    std::optional<std::string> result = setIniValue(GetParam().before, GetParam().section, GetParam().key, GetParam().value);
    ASSERT_TRUE(result.has_value());
    EXPECT_EQ(*result, GetParam().after);
}

INSTANTIATE_TEST_SUITE_P(Edits, SetIniValue, testing::Values(
    SetCase{"NewFile", "", u"S", u"k", u"v", "[S]\nk=v\n"},
    SetCase{"ReplaceKeepsSpacingAndLineBreak", "[S]\r\n  Key = old  \r\nz=1\r\n", u"s", u"KEY", u"new", "[S]\r\n  Key = new\r\nz=1\r\n"},
    SetCase{"ReplaceLastLineWithoutBreak", "[S]\nk=old", u"S", u"k", u"new", "[S]\nk=new"},
    SetCase{"ReplaceFirstOfDuplicates", "[S]\nk=1\nk=2\n", u"S", u"k", u"3", "[S]\nk=3\nk=2\n"},
    SetCase{"AddAfterLastEntryBeforeBlankLines", "[S]\r\na=1\r\n; note\r\n\r\n[T]\r\n", u"S", u"b", u"2",
            "[S]\r\na=1\r\n; note\r\nb=2\r\n\r\n[T]\r\n"},
    SetCase{"AddToSectionOnLastLine", "[A]\nx=1\n[S]", u"S", u"k", u"v", "[A]\nx=1\n[S]\nk=v\n"},
    SetCase{"AddToFirstOfDuplicateSections", "[S]\na=1\n[S]\nb=2\n", u"S", u"b", u"3", "[S]\na=1\nb=3\n[S]\nb=2\n"},
    SetCase{"CommentedEntryNotReplaced", "[S]\n;k=old\n", u"S", u"k", u"new", "[S]\n;k=old\nk=new\n"},
    SetCase{"AppendSectionAfterLineWithoutBreak", "[A]\r\nx=1", u"S", u"k", u"v", "[A]\r\nx=1\r\n[S]\r\nk=v\r\n"},
    SetCase{"AppendSectionFollowsLineBreaks", "[A]\rx=1\r", u"S", u"k", u"v", "[A]\rx=1\r[S]\rk=v\r"},
    SetCase{"OtherLinesKeepInvalidBytes", "[A]\nbad=\xFF\xFE\xC3\n[S]\nk=old\n", u"S", u"k", u"new", "[A]\nbad=\xFF\xFE\xC3\n[S]\nk=new\n"},
    SetCase{"Utf8ByteOrderMarkKept", "\xEF\xBB\xBF[S]\nk=1\n", u"S", u"k", u"\u00e9", "\xEF\xBB\xBF[S]\nk=\xC3\xA9\n"},
    SetCase{"NamesWrittenTrimmed", "", u" S ", u" k ", u"v", "[S]\nk=v\n"},
    SetCase{"BlanksAroundValueQuoted", "", u"S", u"k", u" v ", "[S]\nk=\" v \"\n"},
    SetCase{"QuotedValueQuotedAgain", "", u"S", u"k", u"'v'", "[S]\nk=\"'v'\"\n"},
    SetCase{"LoneQuoteNotQuoted", "", u"S", u"k", u"\"", "[S]\nk=\"\n"},
    SetCase{"EmptyValue", "[S]\nk=old\n", u"S", u"k", u"", "[S]\nk=\n"},
    SetCase{"LoneSurrogateKeptInItsThreeBytes", "", u"S", u"k\xDE00", u"cut \xD83D",
            "[S]\nk\xED\xB8\x80=cut \xED\xA0\xBD\n"},
    SetCase{"KeyAloneGetsItsValue", "[S]\n  k \nk=old\n", u"S", u"k", u"v", "[S]\n  k =v\nk=old\n"},
    SetCase{"NewLineEndsLikeTheLineBefore", "x\r[S]\n\n[T]", u"S", u"k", u"v", "x\r[S]\nk=v\n\n[T]"}),
    [](const testing::TestParamInfo<SetCase>& info) { return std::string(info.param.name); });

TEST(SetIniValueUtf16, StaysUtf16AndKeepsOtherUnits) {
    std::u16string text = u"[A]\r\nx=\xD800\r\n[S]\r\nk=old\r\n";
    std::optional<std::string> result = setIniValue(utf16(text), u"S", u"k", u"\u4e2d");
    ASSERT_TRUE(result.has_value());
    EXPECT_EQ(*result, utf16(u"[A]\r\nx=\xD800\r\n[S]\r\nk=\u4e2d\r\n"));

    result = setIniValue(utf16(u""), u"S", u"k", u"v");
    ASSERT_TRUE(result.has_value());
    EXPECT_EQ(*result, utf16(u"[S]\nk=v\n"));
}

struct RejectCase {
    const char* name;
    std::string before;
    std::u16string section;
    std::u16string key;
    std::u16string value;
};

class SetIniValueRejects : public testing::TestWithParam<RejectCase> {};

TEST_P(SetIniValueRejects, WhatWouldNotReadBack) {
    EXPECT_FALSE(setIniValue(GetParam().before, GetParam().section, GetParam().key, GetParam().value).has_value());
}

INSTANTIATE_TEST_SUITE_P(Inputs, SetIniValueRejects, testing::Values(
    RejectCase{"LineFeedInValue", "", u"S", u"k", u"a\nb"},
    RejectCase{"CarriageReturnInValue", "", u"S", u"k", u"a\rb"},
    RejectCase{"NulInValue", "", u"S", u"k", std::u16string(u"a\0b", 3)},
    RejectCase{"LineBreakInKey", "", u"S", u"k\nx", u"v"},
    RejectCase{"LineBreakInSection", "", u"S\r\n[T", u"k", u"v"},
    RejectCase{"EqualsInKey", "", u"S", u"a=b", u"v"},
    RejectCase{"KeyStartingWithBracket", "", u"S", u"[k", u"v"},
    RejectCase{"KeyStartingWithSemicolon", "", u"S", u";k", u"v"},
    RejectCase{"BlankKey", "", u"S", u"  ", u"v"},
    RejectCase{"EmptySection", "", u"", u"k", u"v"},
    RejectCase{"BracketInSection", "", u"a]b", u"k", u"v"},
    RejectCase{"Utf16FileOfOddLength", std::string("\xFF\xFE[\0S\0]\0", 8) + "x", u"S", u"k", u"v"}),
    [](const testing::TestParamInfo<RejectCase>& info) { return std::string(info.param.name); });

TEST(SetIniValueRoundTrip, EveryWrittenValueReadsBack) {
    const std::u16string values[] = {u"", u"plain", u" lead", u"trail\t", u"\"both\"", u"'single'", u"\"", u"'", u"\"\"",
                                     u"a=b", u"; not a comment", u"[not a header]", u"C:\\Program Files\\Java\\jre\\",
                                     u"\u00e9\u4e2d\U0001F600", u"x\x1A"};
    const std::string files[] = {"", "[S]\nk=old\n", "[s]\r\n\r\n", "\xEF\xBB\xBF;c\n[T]\nk=t", utf16(u"[S]\r\nk=1\r\n")};
    for (const std::string& file : files) {
        for (const std::u16string& value : values) {
            std::optional<std::string> written = setIniValue(file, u"S", u"k", value);
            ASSERT_TRUE(written.has_value());
            EXPECT_EQ(findIniValue(decodeIniBytes(*written), u"S", u"k"), value) << "file " << testing::PrintToString(file);
            if (file.find("[T]") != std::string::npos) {
                EXPECT_EQ(findIniValue(decodeIniBytes(*written), u"T", u"k"), u"t");
            }
        }
    }
}

// A UTF-16 file holds any code unit as it is.
TEST(SetIniValueUtf16, LoneSurrogateReadsBack) {
    std::optional<std::string> result = setIniValue(utf16(u"[S]\r\n"), u"S", u"k\xDC00", u"a\xD83D");
    ASSERT_TRUE(result.has_value());
    EXPECT_EQ(findIniValue(decodeIniBytes(*result), u"S", u"k\xDC00"), u"a\xD83D");
}

// The shape of a file the fuzzer found: names that hold U+FFFD from invalid
// bytes, and a value cut from the file's text through a surrogate pair.
TEST(SetIniValueRoundTrip, ValueCutThroughSurrogatePairReadsBack) {
    const std::string file = "[J ava\x82time]\r\nM\xE1in\xF0\x9E\x92\x8F.key=before\n[ Spaced ]\rment]\r\nVix=0\r\n";
    const std::u16string text = decodeIniBytes(file);
    const std::u16string section = u"J ava\xFFFDtime";
    const std::u16string key = u"M\xFFFDin\U0001E48F.key";
    ASSERT_EQ(findIniValue(text, section, key), u"before");
    std::u16string cut = u" as\U0001E48F";
    cut.pop_back();
    std::optional<std::string> written = setIniValue(file, section, key, cut + u" ");
    ASSERT_TRUE(written.has_value());
    EXPECT_EQ(findIniValue(decodeIniBytes(*written), section, key), cut + u" ");
    std::optional<std::string> whole = setIniValue(file, section, key, u" as\U0001E48F ");
    ASSERT_TRUE(whole.has_value());
    EXPECT_EQ(findIniValue(decodeIniBytes(*whole), section, key), u" as\U0001E48F ");
    EXPECT_EQ(findIniValue(decodeIniBytes(*whole), u"Spaced", u"Vix"), u"0");
}

// Arbitrary bytes: the reader and writer finish and whatever they write reads
// back.
TEST(IniTextGarbage, NeverBreaksReadingOrWriting) {
    std::mt19937 random(20240601);
    const std::string alphabet = std::string("[]=;\r\n \t\"'\xFF\xFE\xEF\xBB\xBF\xC3\x00\x1AkS", 21);
    for (int round = 0; round < 300; ++round) {
        std::string bytes;
        size_t length = random() % 400;
        for (size_t i = 0; i < length; ++i) {
            bytes.push_back(random() % 4 == 0 ? static_cast<char>(random()) : alphabet[random() % alphabet.size()]);
        }
        if (round % 3 == 0) bytes.insert(0, "\xFF\xFE");
        std::u16string text = decodeIniBytes(bytes);
        (void)listIniSections(text);
        IniIndex index(text);
        for (std::u16string_view section : {u"S", u"", u"s "}) {
            std::optional<std::u16string_view> indexed = index.find(section, u"k");
            EXPECT_EQ(indexed ? std::optional<std::u16string>(*indexed) : std::nullopt, findIniValue(text, section, u"k"))
                << testing::PrintToString(bytes);
        }
        std::optional<std::string> written = setIniValue(bytes, u"S", u"k", u"value");
        if (written) {
            EXPECT_EQ(findIniValue(decodeIniBytes(*written), u"S", u"k"), u"value") << testing::PrintToString(bytes);
        }
    }
}

TEST(IniTextLarge, LongLinesAndManyLines) {
    std::string longValue(2'000'000, 'v');
    std::string file = "[S]\nk=" + longValue + "\n";
    for (int i = 0; i < 20000; ++i) file += "[Section " + std::to_string(i) + "]\nkey=value\n";
    file += "[Last]\nk=end\n";
    std::u16string text = decodeIniBytes(file);
    EXPECT_EQ(findIniValue(text, u"S", u"k")->size(), longValue.size());
    EXPECT_EQ(findIniValue(text, u"last", u"K"), u"end");
    EXPECT_EQ(listIniSections(text).size(), 20002u);
    std::optional<std::string> written = setIniValue(file, u"Last", u"k", u"changed");
    ASSERT_TRUE(written.has_value());
    EXPECT_EQ(written->size(), file.size() + 4);
    EXPECT_EQ(findIniValue(decodeIniBytes(*written), u"Last", u"k"), u"changed");
}

} // namespace
