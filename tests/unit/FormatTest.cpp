#include "base/Format.h"

#include <gtest/gtest.h>

namespace launcher {
namespace {

TEST(FormatMessageTest, FillsDirectivesInOrder) {
    using namespace std::string_view_literals;
    EXPECT_EQ(formatMessage(u"Windows exception: %s (errno = %d).\n", {u"step"sv, 5LL}),
              u"Windows exception: step (errno = 5).\n");
    EXPECT_EQ(formatMessage(u"version between %s and %s", {u"1.8"sv, u"11.0"sv}), u"version between 1.8 and 11.0");
    EXPECT_EQ(formatMessage(u"%d%d", {-1LL, 9223372036854775807LL}), u"-19223372036854775807");
    EXPECT_EQ(formatMessage(u"JNI exception: %s\nReason: %s.\n", {u"failed"sv, u""sv}),
              u"JNI exception: failed\nReason: .\n");
    // Arguments are inserted as they are: a percent sign in one is not a directive.
    EXPECT_EQ(formatMessage(u"[%s] %s", {u"%s %d %%"sv, u"\u00FC"sv}), u"[%s %d %%] \u00FC");
    EXPECT_EQ(formatMessage(u"%s", {std::u16string_view(u"a\0b", 3)}), std::u16string(u"a\0b", 3));
}

TEST(FormatMessageTest, OtherTextIsCopiedAsWritten) {
    using namespace std::string_view_literals;
    struct Case {
        const char16_t* format;
        std::initializer_list<FormatArg> args;
        const char16_t* text;
    };
    const Case cases[] = {
        {u"", {}, u""},
        {u"plain text", {u"unused"sv}, u"plain text"},
        {u"100%% sure", {}, u"100% sure"},
        {u"%%s", {u"x"sv}, u"%s"},
        {u"trailing %", {}, u"trailing %"},
        {u"%", {u"x"sv}, u"%"},
        // A directive without an argument stays as written.
        {u"%s and %s", {u"one"sv}, u"one and %s"},
        {u"%d", {}, u"%d"},
        // Only %s and %d are directives; others use no argument.
        {u"%x %s", {u"a"sv}, u"%x a"},
        {u"%5d %s", {u"a"sv}, u"%5d a"},
        {u"%ls", {u"a"sv}, u"%ls"},
    };
    for (const Case& c : cases) EXPECT_EQ(formatMessage(c.format, c.args), c.text) << testing::PrintToString(c.format);
}

TEST(FormatMessageTest, LongResultsAreWhole) {
    std::u16string argument(5000, u'y');
    std::u16string text = formatMessage(u"<%s>", {std::u16string_view(argument)});
    EXPECT_EQ(text, u"<" + argument + u">");
}

} // namespace
} // namespace launcher
