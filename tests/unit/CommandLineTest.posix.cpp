#include "config/CommandLine.h"

#include <gtest/gtest.h>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

extern char** environ;

namespace launcher {
namespace {

constexpr const char* kChildVariable = "LAUNCHER_TEST_ARGUMENTS_CHILD";

// The arguments the test program was started with, as GoogleTest saw them
// before it removed its own flags.
TextList ownArguments() {
    TextList arguments;
    const std::vector<std::string> argv = testing::internal::GetArgvs();
    for (size_t i = 1; i < argv.size(); ++i) arguments.push_back(fromUtf8(argv[i]));
    return arguments;
}

// Runs in a child started by the test below; outside it there is nothing to do.
TEST(ReadProcessArgumentsTest, ChildSeesItsArgumentsUnchanged) {
    if (std::getenv(kChildVariable) == nullptr) GTEST_SKIP() << "runs only as the child of the test below";
    TextList arguments = readProcessArguments();
    EXPECT_EQ(arguments, ownArguments());
    ASSERT_EQ(arguments.size(), 8u);
    EXPECT_EQ(arguments[2], u"");
    EXPECT_EQ(arguments[3], u"two  words");
    EXPECT_EQ(arguments[4], u"\"quoted\" \\back");
    EXPECT_EQ(arguments[5], u"\u00FCber \u65E5\u672C");
    EXPECT_EQ(arguments[6], std::u16string(20000, u'x'));
    EXPECT_EQ(arguments[7], u"");
}

TEST(ReadProcessArgumentsTest, EmptySpacedQuotedLongAndNonAsciiArgumentsArriveAsGiven) {
    std::string self = "/proc/self/exe";
    std::string filter = "--gtest_filter=ReadProcessArgumentsTest.ChildSeesItsArgumentsUnchanged";
    std::string brief = "--gtest_brief=1";
    std::string empty;
    std::string spaced = "two  words";
    std::string quoted = "\"quoted\" \\back";
    std::string nonAscii = "\xC3\xBC" "ber \xE6\x97\xA5\xE6\x9C\xAC";
    std::string longArgument(20000, 'x');
    std::vector<char*> argv = {self.data(), filter.data(), brief.data(), empty.data(), spaced.data(), quoted.data(),
                               nonAscii.data(), longArgument.data(), empty.data(), nullptr};

    std::vector<std::string> environment = {std::string(kChildVariable) + "=1"};
    for (char** e = environ; *e != nullptr; ++e) environment.emplace_back(*e);
    std::vector<char*> envp;
    for (std::string& e : environment) envp.push_back(e.data());
    envp.push_back(nullptr);

    pid_t child = 0;
    ASSERT_EQ(posix_spawn(&child, self.c_str(), nullptr, nullptr, argv.data(), envp.data()), 0);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the child's expectations failed; its output is above";
}

TEST(ReadProcessArgumentsTest, MatchesThisProcessesArguments) {
    EXPECT_EQ(readProcessArguments(), ownArguments());
}

} // namespace
} // namespace launcher
