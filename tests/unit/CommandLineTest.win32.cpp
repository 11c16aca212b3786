#include "config/CommandLine.h"
#include "base/Handles.win32.h"
#include "base/Wide.win32.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

namespace launcher {
namespace {

constexpr const wchar_t* kChildVariable = L"LAUNCHER_TEST_ARGUMENTS_CHILD";
constexpr const char16_t* kChildFilter = u"--gtest_filter=ReadProcessArgumentsTest.ChildSplitsItsOwnCommandLine";

// Runs in a child started by the test below; outside it there is nothing to do.
TEST(ReadProcessArgumentsTest, ChildSplitsItsOwnCommandLine) {
    if (GetEnvironmentVariableW(kChildVariable, nullptr, 0) == 0) GTEST_SKIP() << "runs only as a child";
    TextList expected = {kChildFilter, u"--gtest_brief=1", u"", u"two  words", u"a\"b", u"c\"", u"C:\\dir\\", u"x\ty"};
    EXPECT_EQ(readProcessArguments(), expected);
}

TEST(ReadProcessArgumentsTest, CommandLineOfTheProcessIsSplitByTheLaunchersRule) {
    std::u16string self(MAX_PATH, u'\0');
    DWORD length;
    while ((length = GetModuleFileNameW(nullptr, wide(self), static_cast<DWORD>(self.size()))) >= self.size())
        self.resize(self.size() * 2);
    ASSERT_GT(length, 0u);
    self.resize(length);

    std::u16string commandLine = u"\"" + self + u"\"  " + kChildFilter +
                                 u" --gtest_brief=1 \"\" \"two  words\" a\"b c\" \"C:\\dir\\\" x\ty  ";
    ASSERT_TRUE(SetEnvironmentVariableW(kChildVariable, L"1"));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    BOOL started = CreateProcessW(wide(self), wide(commandLine), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                  &startup, &info);
    SetEnvironmentVariableW(kChildVariable, nullptr);
    ASSERT_TRUE(started);
    UniqueHandle process(info.hProcess);
    UniqueHandle thread(info.hThread);
    ASSERT_EQ(WaitForSingleObject(process.get(), INFINITE), WAIT_OBJECT_0);
    DWORD exitCode = 1;
    ASSERT_TRUE(GetExitCodeProcess(process.get(), &exitCode));
    EXPECT_EQ(exitCode, 0u) << "the child's expectations failed; its output is above";
}

} // namespace
} // namespace launcher
