#include "base/ConsoleVariant.h"
#include "base/Platform.h"
#include "base/Text.h"

#include <gtest/gtest.h>

#include <ostream>

namespace launcher {
namespace {

// A text handed to the function under test and what should come back.
struct TextCase {
    std::u16string_view input;
    std::u16string_view expected;
};
void PrintTo(const TextCase& c, std::ostream* out) { *out << '"' << toUtf8(c.input) << '"'; }

class MessageLine : public testing::TestWithParam<TextCase> {};

TEST_P(MessageLine, TextForABoxBecomesOneLine) {
    EXPECT_EQ(messageLine(u"tool", GetParam().input), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, MessageLine,
    testing::Values(
        TextCase{u"Main class was not specified in INI file.", u"tool: Main class was not specified in INI file."},
        TextCase{u"Could not find the main class a/B.\n", u"tool: Could not find the main class a/B."},
        TextCase{u"first\r\nsecond\nthird\r\n\r\n", u"tool: first  second third"},
        TextCase{u"\nleading", u"tool:  leading"},
        TextCase{u"", u"tool: "},
        TextCase{u"\r\n", u"tool: "}));

class ProgramName : public testing::TestWithParam<TextCase> {};

// The same inside a folder whose own name ends in ".exe".
TEST_P(ProgramName, IsTheFileNameWithoutExe) {
    const std::u16string separator(1, kPathSeparator);
    const std::u16string inFolder = u"folder.exe" + separator + std::u16string(GetParam().input);
    EXPECT_EQ(programNameOf(GetParam().input), GetParam().expected);
    EXPECT_EQ(programNameOf(inFolder), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Paths, ProgramName,
                         testing::Values(TextCase{u"tool.exe", u"tool"},
                                         TextCase{u"Viewer.EXE", u"Viewer"},
                                         TextCase{u"tool", u"tool"},
                                         TextCase{u".exe", u".exe"},
                                         TextCase{u"my.app.exe", u"my.app"},
                                         TextCase{u"tool.exe.bak", u"tool.exe.bak"}));

} // namespace
} // namespace launcher
