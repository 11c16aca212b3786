// Launches on the real runtime: what main receives and how the program's
// end becomes the launcher's exit code.

#include "RealRuntime.win32.h"

#include <gtest/gtest.h>

namespace launcher {
namespace {

namespace fs = std::filesystem;

class RealLaunch : public test::RealRuntimeTest {};

TEST_F(RealLaunch, ArgumentsReachMainUnchanged) {
    writeIni();
    const test::CapturedRun run = start({L"args", L"a b", L"", L"say\"hi\"", L"\u00fc\u20ac\u4e2d", L"trail\\",
                                         L"  two  spaces ", L"\U0001F600\u0416", L"back\\\"quote", L"tab\there"});
    EXPECT_EQ(run.exitCode, 0u) << run.err;
    EXPECT_EQ(test::reported(run.out, "arg1"), "[61 20 62]");
    EXPECT_EQ(test::reported(run.out, "arg2"), "[]");
    EXPECT_EQ(test::reported(run.out, "arg3"), "[73 61 79 22 68 69 22]");
    EXPECT_EQ(test::reported(run.out, "arg4"), "[fc 20ac 4e2d]");
    EXPECT_EQ(test::reported(run.out, "arg5"), "[74 72 61 69 6c 5c]");
    // Spaces inside the quotes are the argument's own, at either end too.
    EXPECT_EQ(test::reported(run.out, "arg6"), "[20 20 74 77 6f 20 20 73 70 61 63 65 73 20]");
    // A character beyond the 16-bit range arrives as one code point, not as
    // two halves or a code page's question mark.
    EXPECT_EQ(test::reported(run.out, "arg7"), "[1f600 416]");
    // No escape character: the backslash stays, and so does the quote.
    EXPECT_EQ(test::reported(run.out, "arg8"), "[62 61 63 6b 5c 22 71 75 6f 74 65]");
    EXPECT_EQ(test::reported(run.out, "arg9"), "[74 61 62 9 68 65 72 65]");
    EXPECT_EQ(test::reported(run.out, "count"), "10");
    EXPECT_EQ(test::reported(run.out, "main"), "returned");
}

// The INI as UTF-16 with its byte-order mark, so that a value may hold any
// character whatever the ANSI code page.
void writeUtf16Ini(const fs::path& file, const std::wstring& text) {
    std::string bytes = "\xFF\xFE";
    for (wchar_t c : text) {
        bytes.push_back(static_cast<char>(c & 0xFF));
        bytes.push_back(static_cast<char>(c >> 8));
    }
    test::writeBytes(file, bytes);
}

TEST_F(RealLaunch, ParametersCmdAndRuntimeVariablesReachTheProgram) {
    const std::wstring home = test::realRuntime().home.wstring();
    writeUtf16Ini(folder.path() / "app.ini",
                  L"[Java Runtime Environment]\r\nMain Class=realapp.LaunchReport\r\nJRE Path=" + home +
                      L"\r\nVirtual Machine Parameters=\"-Drealapp.a=two  words\" -Drealapp.b=\"x y\"  "
                      L"-Drealapp.c=caf\u00e9\r\n[Class Path]\r\nClass Path=app.jar\r\n"
                      L"[Application]\r\nCmd=cmd1 \"cmd two\"  \"prop:realapp.c\"\r\n");
    const test::CapturedRun run = start({L"prop:realapp.a", L"prop:realapp.b", L"env:QX_JVM_HOME",
                                         L"env:QX_JVM_PATH", L"text:java.home", L"line last"});
    ASSERT_EQ(run.exitCode, 0u) << run.out << run.err;
    // The command line's arguments first, then those of "Cmd".
    EXPECT_EQ(test::reported(run.out, "count"), "9");
    EXPECT_EQ(test::reported(run.out, "arg5"), "[6c 69 6e 65 20 6c 61 73 74]");
    EXPECT_EQ(test::reported(run.out, "arg6"), "[63 6d 64 31]");
    EXPECT_EQ(test::reported(run.out, "arg7"), "[63 6d 64 20 74 77 6f]");
    // Quotes keep a value with spaces in one option and are not part of it.
    EXPECT_EQ(test::reported(run.out, "prop:realapp.a"), "[74 77 6f 20 20 77 6f 72 64 73]");
    EXPECT_EQ(test::reported(run.out, "prop:realapp.b"), "[78 20 79]");
    EXPECT_EQ(test::reported(run.out, "prop:realapp.c"), "[63 61 66 e9]");
    // The runtime's folder (no separator at its end) and its library, as
    // the runtime itself names its home.
    const std::string homeText = test::realRuntime().home.string();
    EXPECT_EQ(test::reported(run.out, "env:QX_JVM_HOME"), homeText);
    EXPECT_EQ(test::reported(run.out, "env:QX_JVM_PATH"), homeText + "\\bin\\server\\jvm.dll");
    EXPECT_EQ(test::reported(run.out, "text:java.home"), test::reported(run.out, "env:QX_JVM_HOME"));
}

// How the program ends and the exit code the process shows for it. Windows
// exit codes are DWORDs: a negative System.exit code is its two's complement.
struct Ending {
    const char* name;
    std::vector<std::wstring> arguments;
    DWORD exitCode;
    std::vector<std::string> lines; // in this order in the output
};

class RealEnding : public test::RealRuntimeTest, public ::testing::WithParamInterface<Ending> {};

TEST_P(RealEnding, ExitCodeAndOutput) {
    writeIni();
    const test::CapturedRun run = start(GetParam().arguments);
    EXPECT_EQ(run.exitCode, GetParam().exitCode) << run.out << run.err;
    size_t after = 0;
    for (const std::string& line : GetParam().lines) {
        const size_t at = run.out.find(line + "\r\n", after);
        ASSERT_NE(at, std::string::npos) << "no \"" << line << "\" after position " << after << " in:\n" << run.out;
        after = at + line.size();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Real, RealEnding,
    ::testing::Values(Ending{"Exit0", {L"exit", L"0"}, 0, {"count=2"}},
                      Ending{"Exit42", {L"exit", L"42"}, 42, {"count=2"}},
                      Ending{"ExitNegative", {L"exit", L"-3"}, static_cast<DWORD>(-3), {"count=2"}},
                      Ending{"ExitLargestNegative", {L"exit", L"-2147483648"}, 0x80000000u, {"count=2"}},
                      // DestroyJavaVM waits for the worker; the program's
                      // end is then a normal one.
                      Ending{"ThreadOutlivesMain", {L"outlive"}, 0, {"main=returned", "worker=done"}},
                      Ending{"ExitFromAnotherThread", {L"exit-from-thread", L"17"}, 17,
                             {"main=returned", "thread=exiting"}}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace launcher
