// System.out and System.err sent to files on the real runtime: stamped
// names, append and overwrite, and the bytes of non-ASCII text, which must
// be those the runtime's own java.exe writes into a file.

#include "RealRuntime.win32.h"
#include "base/Handles.win32.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <regex>
#include <string>

namespace launcher {
namespace {

namespace fs = std::filesystem;

constexpr const char* kProgram = "realapp.RedirectionStreams";

// The runtime's own launcher with its standard output and error on files,
// as a shell's "> out 2> err" gives them.
DWORD runJavaExeToFiles(const fs::path& folder, const std::wstring& tag, const fs::path& out, const fs::path& err) {
    const fs::path java = test::realRuntime().home / "bin" / "java.exe";
    return test::runToFiles(java, L"-cp app.jar realapp.RedirectionStreams " + tag,
                            {.rights = test::Rights::Administrator, .workingDirectory = folder}, out, err);
}

// The local time as the stamp pictures below write it.
std::string stampNow() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    char text[32];
    snprintf(text, sizeof text, "%04u%02u%02u-%02u%02u%02u", now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute,
             now.wSecond);
    return text;
}

class RealRedirection : public test::RealRuntimeTest, public ::testing::WithParamInterface<const char*> {};

// Both names carry one reading of the clock, taken during the start; the
// folder is made; nothing reaches the process's own streams; and each file
// holds exactly the bytes java.exe writes for the same program.
TEST_P(RealRedirection, StampedFilesHoldTheBytesOfJavaExe) {
    useProgram(GetParam());
    writeIni(jrePathLine(),
             "[Application]\r\nOutput File=logs\\out-%yyyyMMdd-HHmmss%.log\r\n"
             "Error File=logs\\err-%yyyyMMdd-HHmmss%.log\r\n",
             kProgram);
    const std::string before = stampNow();
    const test::CapturedRun run = start({L"tag\u00e9"});
    const std::string after = stampNow();
    ASSERT_EQ(run.exitCode, 0u) << run.out << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err.find("err tag"), std::string::npos) << run.err;

    std::string outStamp, errStamp;
    const std::regex stamped("(out|err)-(\\d{8}-\\d{6})\\.log");
    for (const auto& entry : fs::directory_iterator(folder.path() / "logs")) {
        std::smatch match;
        const std::string name = entry.path().filename().string();
        ASSERT_TRUE(std::regex_match(name, match, stamped)) << name;
        (match[1] == "out" ? outStamp : errStamp) = match[2];
    }
    EXPECT_EQ(outStamp, errStamp);
    EXPECT_LE(before, outStamp);
    EXPECT_LE(outStamp, after);

    ASSERT_EQ(runJavaExeToFiles(folder.path(), L"tag\u00e9", folder.path() / "java-out.txt",
                                folder.path() / "java-err.txt"),
              0u);
    const std::string javaOut = test::readBytes(folder.path() / "java-out.txt");
    const std::string javaErr = test::readBytes(folder.path() / "java-err.txt");
    // The text is there and holds characters beyond ASCII, so equal files
    // say something about the encoding.
    EXPECT_NE(javaOut.find("encoding "), std::string::npos) << javaOut;
    EXPECT_NE(javaErr.find("err end tag"), std::string::npos) << javaErr;
    EXPECT_TRUE(std::any_of(javaOut.begin(), javaOut.end(), [](char c) { return static_cast<unsigned char>(c) > 0x7F; }))
        << javaOut;
    EXPECT_EQ(test::readBytes(folder.path() / "logs" / ("out-" + outStamp + ".log")), javaOut);
    EXPECT_EQ(test::readBytes(folder.path() / "logs" / ("err-" + errStamp + ".log")), javaErr);
}

// The windowed launcher has no console of its own, so its files are where
// its program's output can be read at all; the console one does the same.
INSTANTIATE_TEST_SUITE_P(Real, RealRedirection, ::testing::Values("launcher.exe", "launcher-console.exe"),
                         [](const auto& info) {
                             return std::string(info.param) == "launcher.exe" ? "Windowed" : "Console";
                         });

struct AppendRow {
    const char* name;
    const char* outputAppend;
    const char* errorAppend;
    bool outputKept;
    bool errorKept;
};

class RealAppend : public test::RealRuntimeTest, public ::testing::WithParamInterface<AppendRow> {};

// Files that exist already: an appending stream keeps what they held and
// adds after it, an overwriting one starts them empty. Only the exact word
// "yes" appends.
TEST_P(RealAppend, KeepsOrReplacesWhatTheFileHeld) {
    const AppendRow& row = GetParam();
    useProgram("launcher.exe");
    writeIni(jrePathLine(),
             std::string("[Application]\r\nOutput File=out.log\r\nOutput Append=") + row.outputAppend +
                 "\r\nError File=err.log\r\nError Append=" + row.errorAppend + "\r\n",
             kProgram);
    const std::string old = "old line\r\n";
    test::writeBytes(folder.path() / "out.log", old);
    test::writeBytes(folder.path() / "err.log", old);
    const test::CapturedRun run = start({L"second"});
    ASSERT_EQ(run.exitCode, 0u) << run.out << run.err;
    const std::string out = test::readBytes(folder.path() / "out.log");
    const std::string err = test::readBytes(folder.path() / "err.log");
    EXPECT_EQ(out.rfind(old, 0) == 0, row.outputKept) << out;
    EXPECT_EQ(err.rfind(old, 0) == 0, row.errorKept) << err;
    EXPECT_EQ(out.find("out second: "), row.outputKept ? old.size() : 0) << out;
    EXPECT_EQ(err.find("err second: "), row.errorKept ? old.size() : 0) << err;
    EXPECT_EQ(out.size() - out.rfind("no line end second"), std::string("no line end second").size()) << out;
    EXPECT_EQ(err.size() - err.rfind("err end second"), std::string("err end second").size()) << err;
}

INSTANTIATE_TEST_SUITE_P(Real, RealAppend,
                         ::testing::Values(AppendRow{"OutputAppends", "yes", "", true, false},
                                           AppendRow{"ErrorAppends", "no", "yes", false, true},
                                           AppendRow{"OnlyLowerCaseYes", "Yes", "YES", false, false}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace launcher
