#include "base/ConsoleVariant.h"
#include "base/Platform.h"
#include "base/Text.h"

#include <gtest/gtest.h>

namespace launcher {
namespace {

TEST(MessageLine, TextForABoxBecomesOneLine) {
    struct Case {
        std::u16string_view text;
        std::u16string_view line;
    };
    for (const Case& c : {
             Case{u"Main class was not specified in INI file.", u"tool: Main class was not specified in INI file."},
             Case{u"Could not find the main class a/B.\n", u"tool: Could not find the main class a/B."},
             Case{u"first\r\nsecond\nthird\r\n\r\n", u"tool: first  second third"},
             Case{u"\nleading", u"tool:  leading"},
             Case{u"", u"tool: "},
             Case{u"\r\n", u"tool: "},
         }) {
        EXPECT_EQ(messageLine(u"tool", c.text), c.line);
    }
}

TEST(ProgramName, IsTheFileNameWithoutExe) {
    struct Case {
        std::u16string_view path;
        std::u16string_view name;
    };
    const std::u16string separator(1, kPathSeparator);
    for (const Case& c : {
             Case{u"tool.exe", u"tool"},
             Case{u"Viewer.EXE", u"Viewer"},
             Case{u"tool", u"tool"},
             Case{u".exe", u".exe"},
             Case{u"my.app.exe", u"my.app"},
             Case{u"tool.exe.bak", u"tool.exe.bak"},
         }) {
        EXPECT_EQ(programNameOf(c.path), c.name) << toUtf8(c.path);
        EXPECT_EQ(programNameOf(u"folder.exe" + separator + std::u16string(c.path)), c.name) << toUtf8(c.path);
    }
}

} // namespace
} // namespace launcher
