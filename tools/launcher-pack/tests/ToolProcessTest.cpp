// Running the outside tools: command lines that reach them unchanged, their
// output and exit code, text on their standard input, a secret that no
// file or variable holds, and the time limit.

#include "ToolProcess.h"

#include "base/Platform.h"
#include "support/TestSupport.h"

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

// The secret reaches the tool through the file its argument names, and
// the variable it came from does not.
TEST(ToolProcess, SecretAndWithheldVariable) {
    launcher::test::EnvironmentOverride password(u"LAUNCHER_TOOL_SECRET", u"pa ss\u00e9");
    ToolRequest request;
    request.secret = "pa ss\xC3\xA9";
    request.withheld = {"LAUNCHER_TOOL_SECRET"};
    if (kWindows) {
        auto cmd = findTool("cmd");
        ASSERT_TRUE(cmd);
        ToolRun run = runTool(*cmd, {"/c", "type", kSecretFileArgument, "&", "echo", "[%LAUNCHER_TOOL_SECRET%]"}, request);
        EXPECT_EQ(run.output, "pa ss\xC3\xA9[%LAUNCHER_TOOL_SECRET%]\r\n");
    } else {
        auto sh = findTool("sh");
        ASSERT_TRUE(sh);
        // A pipe, open to this tool alone, not a file that others could find.
        ToolRun run = runTool(*sh, {"-c", "[ -p \"$1\" ] && cat \"$1\"; echo \"[${LAUNCHER_TOOL_SECRET-unset}]\"", "sh",
                                    kSecretFileArgument}, request);
        EXPECT_EQ(run.output, "pa ss\xC3\xA9[unset]\n");
        EXPECT_EQ(runTool(*sh, {"-c", "echo $LAUNCHER_TOOL_SECRET"}).output, "pa ss\xC3\xA9\n");
    }
}

// A tool that does not end is stopped at its time limit, with what it
// started: a shell's child that holds the output open ends too.
TEST(ToolProcess, TimeLimit) {
    ToolRequest request;
    request.timeLimit = std::chrono::seconds(1);
    auto start = std::chrono::steady_clock::now();
    ToolRun run;
    if (kWindows) {
        auto cmd = findTool("cmd");
        ASSERT_TRUE(cmd);
        run = runTool(*cmd, {"/c", "echo started& cmd /c for /l %i in (0,0,1) do @rem"}, request);
        EXPECT_EQ(run.output.substr(0, 7), "started");
    } else {
        auto sh = findTool("sh");
        ASSERT_TRUE(sh);
        run = runTool(*sh, {"-c", "echo started; sleep 120; true"}, request);
        EXPECT_EQ(run.output, "started\n");
    }
    EXPECT_TRUE(run.timedOut);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(60));
    auto sh = findTool(kWindows ? "cmd" : "sh");
    ToolRun quick = runTool(*sh, kWindows ? std::vector<std::string>{"/c", "exit 4"} : std::vector<std::string>{"-c", "exit 4"}, request);
    EXPECT_FALSE(quick.timedOut);
    EXPECT_EQ(quick.exitCode, 4);
}

} // namespace
} // namespace launcher::pack
