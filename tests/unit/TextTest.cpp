#include "base/Text.h"

#include <gtest/gtest.h>

namespace launcher {
namespace {

TEST(SplitStringTest, PiecesAtEveryOccurrence) {
    struct Case {
        std::u16string text;
        std::u16string separator;
        TextList pieces;
    };
    const Case cases[] = {
        {u"", u";", {}},
        {u"abc", u";", {u"abc"}},
        {u";;", u";", {u"", u""}},
        {u"a;", u";", {u"a"}},
        {u";a", u";", {u"", u"a"}},
        {u"a;;b", u";", {u"a", u"", u"b"}},
        {u"1.8;11;", u";", {u"1.8", u"11"}},
        {u" 1.8 ; 11", u";", {u" 1.8 ", u" 11"}},
        {u";", u";", {u""}},
        // A separator of several characters is searched as a whole.
        {u"a::b:c", u"::", {u"a", u"b:c"}},
        {u"a:::b", u"::", {u"a", u":b"}},
        {u"a::", u"::", {u"a"}},
        {u"x" u"\u00FC" u"y\u00FCz", u"\u00FC", {u"x", u"y", u"z"}},
    };
    for (const Case& c : cases) EXPECT_EQ(splitString(c.text, c.separator), c.pieces) << testing::PrintToString(c.text);
}

TEST(TrimWhitespaceTest, RemovesWhiteSpaceAtBothEndsOnly) {
    struct Case {
        std::u16string text;
        std::u16string trimmed;
    };
    const Case cases[] = {
        {u"", u""},
        {u"   ", u""},
        {u"abc", u"abc"},
        {u" \t\r\n\v\fabc \t\r\n", u"abc"},
        {u"  a b\tc  ", u"a b\tc"},
        {u"\u00A0\u3000x\u2003\u2028", u"x"},
        // Zero-width space and the byte-order mark are not white space.
        {u"\u200Bx\uFEFF", u"\u200Bx\uFEFF"},
        {std::u16string(u"\0x", 2), std::u16string(u"\0x", 2)},
    };
    for (const Case& c : cases) EXPECT_EQ(trimWhitespace(c.text), c.trimmed) << testing::PrintToString(c.text);
}

TEST(IsWhitespaceTest, FollowsTheUnicodeWhiteSpaceSet) {
    for (char16_t c : {u'\t', u'\n', u'\v', u'\f', u'\r', u' ', u'\u0085', u'\u00A0', u'\u1680', u'\u2000',
                       u'\u200A', u'\u2028', u'\u2029', u'\u202F', u'\u205F', u'\u3000'}) {
        EXPECT_TRUE(isWhitespace(c)) << static_cast<int>(c);
    }
    for (char16_t c : {u'\0', u'a', u'\x1F', u'\x21', u'\u200B', u'\uFEFF', u'\u00AD', u'\u180E'}) {
        EXPECT_FALSE(isWhitespace(c)) << static_cast<int>(c);
    }
}

TEST(EqualsIgnoreCaseTest, FoldsAsciiAndLatin1Letters) {
    struct Case {
        std::u16string a, b;
        bool equal;
    };
    const Case cases[] = {
        {u"Yes", u"yes", true},
        {u"YES", u"yEs", true},
        {u"", u"", true},
        {u"yes", u"yes ", false},
        {u"yes", u"ye", false},
        {u"favor_SUN", u"FAVOR_sun", true},
        {u"\u00C4rger", u"\u00E4RGER", true},
        {u"\u00DE", u"\u00FE", true},
        // The multiplication and division signs are not a letter pair.
        {u"\u00D7", u"\u00F7", false},
        // Characters outside the letters stay as they are.
        {u"[", u"{", false},
        {u"@", u"`", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(equalsIgnoreCase(c.a, c.b), c.equal) << testing::PrintToString(c.a);
        EXPECT_EQ(equalsIgnoreCase(c.b, c.a), c.equal) << testing::PrintToString(c.b);
    }
}

TEST(AffixTest, StartsWithAndEndsWith) {
    EXPECT_TRUE(startsWith(u"-Xmx512m", u"-Xmx"));
    EXPECT_TRUE(startsWith(u"abc", u""));
    EXPECT_FALSE(startsWith(u"-X", u"-Xmx"));
    EXPECT_FALSE(startsWith(u"-xmx", u"-Xmx"));
    EXPECT_TRUE(endsWith(u"app.ini", u".ini"));
    EXPECT_TRUE(endsWith(u"", u""));
    EXPECT_FALSE(endsWith(u"ini", u".ini"));
    EXPECT_FALSE(endsWith(u"app.INI", u".ini"));
}

TEST(ReplaceAllTest, ReplacesEveryOccurrence) {
    std::u16string name = u"com.example.Main";
    replaceAll(name, u'.', u'/');
    EXPECT_EQ(name, u"com/example/Main");
    std::u16string none = u"Main";
    replaceAll(none, u'.', u'/');
    EXPECT_EQ(none, u"Main");
}

TEST(Utf8Test, EncodesEveryPlane) {
    struct Case {
        std::u16string text;
        std::string utf8;
    };
    const Case cases[] = {
        {u"", ""},
        {u"abc", "abc"},
        {std::u16string(u"a\0b", 3), std::string("a\0b", 3)},
        {u"\u007F\u0080", "\x7F\xC2\x80"},
        {u"\u07FF\u0800", "\xDF\xBF\xE0\xA0\x80"},
        {u"\u00FC\u65E5", "\xC3\xBC\xE6\x97\xA5"},
        {u"\uFFFF", "\xEF\xBF\xBF"},
        {u"\U0001F600", "\xF0\x9F\x98\x80"},
        {u"\U0010FFFF", "\xF4\x8F\xBF\xBF"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(toUtf8(c.text), c.utf8) << testing::PrintToString(c.text);
        EXPECT_EQ(fromUtf8(c.utf8), c.text) << testing::PrintToString(c.utf8);
    }
}

TEST(Utf8Test, LoneSurrogatesBecomeReplacementCharacters) {
    EXPECT_EQ(toUtf8(u"a\xD800" u"b"), "a\xEF\xBF\xBD" "b");
    EXPECT_EQ(toUtf8(u"\xDC00\xD800"), "\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_EQ(toUtf8(std::u16string(1, u'\xD83D')), "\xEF\xBF\xBD");
}

TEST(Utf8Test, MalformedInputBecomesReplacementCharactersAndDecodingGoesOn) {
    struct Case {
        std::string utf8;
        std::u16string text;
    };
    const Case cases[] = {
        {"\x80", u"\uFFFD"},
        {"a\xFF" "b", u"a\uFFFDb"},
        {"\xC0\xAF", u"\uFFFD\uFFFD"},         // overlong lead bytes are never valid
        {"\xE0\x80\xAF", u"\uFFFD"},           // overlong three-byte form
        {"\xED\xA0\x80", u"\uFFFD"},           // an encoded surrogate
        {"\xF4\x90\x80\x80", u"\uFFFD"},       // above U+10FFFF
        {"\xE6\x97", u"\uFFFD"},               // cut short at the end
        {"\xE6\x97" "a", u"\uFFFDa"},          // cut short before an ASCII character
        {"\xC3", u"\uFFFD"},
        {"\xF0\x9F\x98", u"\uFFFD"},
    };
    for (const Case& c : cases) EXPECT_EQ(fromUtf8(c.utf8), c.text) << testing::PrintToString(c.utf8);
}

TEST(Utf8Test, RoundTripsEveryBmpCharacterOutsideSurrogates) {
    std::u16string all;
    for (char32_t c = 1; c <= 0xFFFF; ++c) {
        if (c < 0xD800 || c > 0xDFFF) all.push_back(static_cast<char16_t>(c));
    }
    EXPECT_EQ(fromUtf8(toUtf8(all)), all);
}

TEST(NarrowTextTest, AsciiRoundTrips) {
    std::u16string text = u"C:/Program Files/App -Xmx512m";
    EXPECT_EQ(toNarrow(text), "C:/Program Files/App -Xmx512m");
    EXPECT_EQ(fromNarrow("C:/Program Files/App -Xmx512m"), text);
    EXPECT_EQ(toNarrow(u""), "");
    EXPECT_EQ(fromNarrow(""), u"");
}

TEST(ToDecimalTest, SignedValues) {
    EXPECT_EQ(toDecimal(0), u"0");
    EXPECT_EQ(toDecimal(-1), u"-1");
    EXPECT_EQ(toDecimal(2147483647), u"2147483647");
    EXPECT_EQ(toDecimal(-9223372036854775807LL - 1), u"-9223372036854775808");
}

} // namespace
} // namespace launcher
