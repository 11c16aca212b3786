#include "config/CommandLine.h"

#include <gtest/gtest.h>

namespace launcher {
namespace {

struct SplitCase {
    const char* name;
    std::u16string text;
    TextList tokens;
};

class SplitCommandLineTest : public testing::TestWithParam<SplitCase> {};

TEST_P(SplitCommandLineTest, Tokens) { EXPECT_EQ(splitCommandLine(GetParam().text), GetParam().tokens); }

INSTANTIATE_TEST_SUITE_P(
    Texts, SplitCommandLineTest,
    testing::Values(
        SplitCase{"Empty", u"", {}},
        SplitCase{"Plain", u"tool.exe a b", {u"tool.exe", u"a", u"b"}},
        SplitCase{"RunsOfSpaces", u"a   b  c", {u"a", u"b", u"c"}},
        SplitCase{"TrailingSpaces", u"a b   ", {u"a", u"b"}},
        SplitCase{"LeadingSpaceGivesEmptyToken", u"  a", {u"", u"a"}},
        SplitCase{"OnlySpaces", u"   ", {u""}},
        SplitCase{"QuotedPathWithSpaces",
                  u"tool  \"C:\\My Files\\x.txt\"   -v",
                  {u"tool", u"C:\\My Files\\x.txt", u"-v"}},
        SplitCase{"QuotedEmpty", u"a \"\" b", {u"a", u"", u"b"}},
        SplitCase{"QuotedEmptyAtEnd", u"a \"\"", {u"a", u""}},
        SplitCase{"LoneQuoteAtEnd", u"a \"", {u"a", u""}},
        SplitCase{"LoneQuote", u"\"", {u""}},
        SplitCase{"UnclosedQuoteTakesTheRest", u"a \"b  c d ", {u"a", u"b  c d "}},
        SplitCase{"QuoteInsideTokenIsOrdinary", u"a\"b c\"", {u"a\"b", u"c\""}},
        SplitCase{"ClosingQuoteNeedsNoSpace", u"\"x\"y", {u"x", u"y"}},
        SplitCase{"ClosingQuoteThenQuote", u"\"x\"\"y z\"", {u"x", u"y z"}},
        SplitCase{"NoEscapeCharacter", u"\"a\\\" b", {u"a\\", u"b"}},
        SplitCase{"BackslashesAreOrdinary", u"C:\\dir\\ \\\\server", {u"C:\\dir\\", u"\\\\server"}},
        SplitCase{"TabIsNotASeparator", u"a\tb c", {u"a\tb", u"c"}},
        SplitCase{"OtherWhiteSpaceIsNotASeparator", u"a\u3000b\u00A0c", {u"a\u3000b\u00A0c"}},
        SplitCase{"NonAscii", u"\u00FCber \"\u65E5\u672C \u8A9E\"", {u"\u00FCber", u"\u65E5\u672C \u8A9E"}},
        SplitCase{"EmbeddedNul", std::u16string(u"a\0b c", 5), {std::u16string(u"a\0b", 3), u"c"}}),
    [](const testing::TestParamInfo<SplitCase>& info) { return std::string(info.param.name); });

struct ArgumentsCase {
    const char* name;
    std::u16string commandLine;
    TextList arguments;
};

class ArgumentsFromCommandLineTest : public testing::TestWithParam<ArgumentsCase> {};

TEST_P(ArgumentsFromCommandLineTest, DropsTheProgramName) {
    EXPECT_EQ(argumentsFromCommandLine(GetParam().commandLine), GetParam().arguments);
}

INSTANTIATE_TEST_SUITE_P(
    CommandLines, ArgumentsFromCommandLineTest,
    testing::Values(
        ArgumentsCase{"Empty", u"", {}},
        ArgumentsCase{"WhiteSpaceOnly", u" \t\r\n ", {}},
        ArgumentsCase{"ProgramOnly", u"tool.exe", {}},
        ArgumentsCase{"QuotedProgramWithSpaces", u"\"C:\\Program Files\\App\\app.exe\"", {}},
        ArgumentsCase{"QuotedProgramThenArguments",
                      u"\"C:\\Program Files\\App\\app.exe\" -nosplash \"two words\"",
                      {u"-nosplash", u"two words"}},
        ArgumentsCase{"Plain", u"tool.exe a b", {u"a", u"b"}},
        // Surrounding white space of any kind goes before splitting, so no
        // empty first token and no trailing tab inside the last argument.
        ArgumentsCase{"TrimmedFirst", u"\t  tool.exe a b\t\r\n", {u"a", u"b"}},
        ArgumentsCase{"InnerTabStays", u"tool.exe a\tb", {u"a\tb"}},
        ArgumentsCase{"EmptyQuotedArgumentStays", u"tool.exe \"\" x", {u"", u"x"}}),
    [](const testing::TestParamInfo<ArgumentsCase>& info) { return std::string(info.param.name); });

TEST(HasNoSplashSwitchTest, OnlyTheExactSwitchCounts) {
    struct Case {
        TextList arguments;
        bool found;
    };
    const Case cases[] = {
        {{}, false},
        {{u"-nosplash"}, true},
        {{u"/nosplash"}, true},
        {{u"a", u"b", u"/nosplash"}, true},
        {{u"-NOSPLASH"}, false},
        {{u"/NoSplash"}, false},
        {{u"--nosplash"}, false},
        {{u"-nosplash "}, false},
        {{u"-nosplash=1"}, false},
        {{u"nosplash"}, false},
        {{u"a -nosplash"}, false},
    };
    for (const Case& c : cases) EXPECT_EQ(hasNoSplashSwitch(c.arguments), c.found) << testing::PrintToString(c.arguments);
}

} // namespace
} // namespace launcher
