// Running the outside tools: command lines that reach them unchanged, their
// output and exit code, and text on their standard input.

#include "ToolProcess.h"

#include "base/Platform.h"

#include <gtest/gtest.h>

namespace launcher::pack {
namespace {

TEST(ToolProcess, WindowsCommandLines) {
    struct Case {
        std::vector<std::string> arguments;
        const char* line;
    };
    for (const Case& c : std::vector<Case>{
             {{"wixl", "-o", "a.msi"}, "wixl -o a.msi"},
             {{"C:\\Program Files\\wixl.exe", ""}, "\"C:\\Program Files\\wixl.exe\" \"\""},
             {{"say \"hi\""}, "\"say \\\"hi\\\"\""},
             {{"C:\\out dir\\"}, "\"C:\\out dir\\\\\""},
             {{"a\\\\\"b c"}, "\"a\\\\\\\\\\\"b c\""},
             {{"no\\space\\"}, "no\\space\\"},
             {{"tab\there"}, "\"tab\there\""}}) {
        EXPECT_EQ(windowsCommandLine(c.arguments), c.line);
    }
}

TEST(ToolProcess, OutputExitCodeAndInput) {
    if (kWindows) {
        auto cmd = findTool("cmd");
        ASSERT_TRUE(cmd);
        ToolRun run = runTool(*cmd, {"/c", "echo out& exit 3"});
        EXPECT_EQ(run.exitCode, 3);
        EXPECT_EQ(run.output.substr(0, 3), "out");
        EXPECT_EQ(runTool(*cmd, {"/c", "echo %Launcher_Tool_Value%%PATH:~0,0%"}, {}, {{"LAUNCHER_TOOL_VALUE", "set"}}).output, "set\r\n");
    } else {
        auto sh = findTool("sh");
        ASSERT_TRUE(sh);
        ToolRun run = runTool(*sh, {"-c", "cat; echo ' err' >&2; exit 3"}, "pass word");
        EXPECT_EQ(run.exitCode, 3);
        EXPECT_EQ(run.output, "pass word err\n");
        EXPECT_EQ(runTool(*sh, {"-c", "echo $LAUNCHER_TOOL_VALUE${PATH:+ with PATH}"}, {}, {{"LAUNCHER_TOOL_VALUE", "set"}}).output,
                  "set with PATH\n");
    }
    EXPECT_FALSE(findTool("launcher-no-such-tool"));
}

} // namespace
} // namespace launcher::pack
