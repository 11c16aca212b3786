// launcher-console.exe, for command-line Java programs: the program's
// streams are the process's own, every message is one "name: message" line
// on standard error, and no window ever appears, not even for the cases in
// which launcher.exe opens a dialog.

#include "probe/StandinProbe.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <thread>

namespace launcher {
namespace {

namespace fs = std::filesystem;

struct ConsoleRun {
    DWORD exitCode = STILL_ACTIVE;
    std::string out;
    std::string err;
    std::wstring windowClass; // of a visible window the process showed; empty: none
};

BOOL CALLBACK findVisible(HWND window, LPARAM param) {
    auto* run = reinterpret_cast<std::pair<DWORD, std::wstring>*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != run->first || !IsWindowVisible(window)) return TRUE;
    wchar_t name[256] = {};
    GetClassNameW(window, name, 256);
    run->second = name;
    // Closes a box so that the run still ends and the test can report it.
    PostMessageW(window, WM_COMMAND, IDOK, 0);
    return FALSE;
}

std::string drain(HANDLE pipe) {
    std::string text;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(pipe, buffer, sizeof buffer, &got, nullptr) && got > 0) text.append(buffer, got);
    return text;
}

// Starts the program with its standard output and error on pipes and looks
// for windows of the process until it ends.
ConsoleRun runConsole(const fs::path& exe, const std::wstring& arguments) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE outRead, outWrite, errRead, errWrite;
    if (!CreatePipe(&outRead, &outWrite, &inherit, 0) || !CreatePipe(&errRead, &errWrite, &inherit, 0)) return {};
    SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(errRead, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = outWrite;
    startup.hStdError = errWrite;
    std::wstring commandLine = L"\"" + exe.wstring() + L"\" " + arguments;
    PROCESS_INFORMATION process{};
    ConsoleRun run;
    const BOOL started = CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                                        &startup, &process);
    CloseHandle(outWrite);
    CloseHandle(errWrite);
    if (started) {
        std::thread outReader([&] { run.out = drain(outRead); });
        std::thread errReader([&] { run.err = drain(errRead); });
        std::pair<DWORD, std::wstring> search{process.dwProcessId, {}};
        for (int i = 0; i < 1200 && WaitForSingleObject(process.hProcess, 50) == WAIT_TIMEOUT; ++i) {
            if (search.second.empty()) EnumWindows(findVisible, reinterpret_cast<LPARAM>(&search));
        }
        if (WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(process.hProcess, 9999);
        WaitForSingleObject(process.hProcess, INFINITE);
        GetExitCodeProcess(process.hProcess, &run.exitCode);
        outReader.join();
        errReader.join();
        run.windowClass = search.second;
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    CloseHandle(outRead);
    CloseHandle(errRead);
    return run;
}

struct ConsoleCase {
    const char* name;
    const char* ini; // "<run>" stands for the stand-in runtime's home and the class path
    const wchar_t* arguments;
    DWORD exitCode;
    std::string out;                     // standard output exactly
    std::vector<std::string> errHas;     // each found in standard error
    std::vector<std::string> errLacks;   // none found in standard error
    std::string errIs;                   // standard error exactly, unless empty
};

void PrintTo(const ConsoleCase& c, std::ostream* out) { *out << c.name; }

class ConsoleVariant : public ::testing::TestWithParam<ConsoleCase> {
protected:
    test::TempFolder folder;
    test::EnvironmentOverride noTrace{u"STANDIN_TRACE", std::nullopt};
    test::EnvironmentOverride noJavaHome{u"JAVA_HOME", std::nullopt};
};

TEST_P(ConsoleVariant, SpeaksOnStandardErrorAndShowsNoWindow) {
    const ConsoleCase& c = GetParam();
    const fs::path exe = folder.path() / "tool.exe";
    fs::copy_file(test::builtProgramFolder() / "launcher-console.exe", exe);
    test::writeBytes(folder.path() / "app.jar", "PK");
    std::string ini = c.ini;
    if (size_t at = ini.find("<run>"); at != std::string::npos) {
        ini.replace(at, 5, "JRE Path=" + toUtf8(test::standinHome("standard").u16string()) +
                               "\r\n[Class Path]\r\nClass Path=app.jar\r\n");
    }
    test::writeBytes(folder.path() / "tool.ini", ini);

    ConsoleRun run = runConsole(exe, c.arguments);

    EXPECT_EQ(run.windowClass, L"") << "a window appeared";
    EXPECT_EQ(run.exitCode, c.exitCode) << run.err;
    EXPECT_EQ(run.out, c.out);
    if (!c.errIs.empty()) {
        EXPECT_EQ(run.err, c.errIs);
    }
    for (const std::string& part : c.errHas) EXPECT_NE(run.err.find(part), std::string::npos) << run.err;
    for (const std::string& part : c.errLacks) EXPECT_EQ(run.err.find(part), std::string::npos) << run.err;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ConsoleVariant,
    ::testing::Values(
        ConsoleCase{"NoMainClassIsOneLine", "[Java Runtime Environment]\r\nMinimum Version=1.8\r\n", L"", DWORD(-1), "",
                    {}, {}, "tool: Main class was not specified in INI file.\r\n"},
        ConsoleCase{"NoRuntimeIsTheMessageNotTheDialog",
                    "[Java Runtime Environment]\r\nMain Class=standin.Echo\r\nMinimum Version=99\r\n", L"", DWORD(-1),
                    "", {}, {},
                    "tool: The Java Runtime Environment (JRE) was not found. Please  download and install a JRE "
                    "(minimum version 99.0) from: https://adoptium.net/\r\n"},
        // The splash is configured, yet the console program opens no window.
        ConsoleCase{"ProgramStreamsAreTheProcesss", "[Java Runtime Environment]\r\nMain Class=standin.Echo\r\n<run>"
                    "[Display]\r\nSplash Screen=splash.png\r\n", L"one \"two three\"", 0, "one\r\ntwo three\r\n", {}, {}, ""},
        // No dialog asked anyone to go on: the launch failed, for the
        // scripts that start this program.
        ConsoleCase{"FailureCheckPrintsTheTraceAndEndsWithOne",
                    "[Java Runtime Environment]\r\nMain Class=standin.Throw\r\n<run>"
                    "[Application]\r\nFailure Check=Yes\r\n", L"", 1, "",
                    {"standin.Failure: thrown by the stand-in"}, {}, ""},
        ConsoleCase{"UncaughtExceptionOutlivedByAThreadEndsWithOne",
                    "[Java Runtime Environment]\r\nMain Class=standin.ThrowBesideThread\r\n<run>", L"300", 1, "",
                    {"Exception in thread \"main\" standin.Failure: thrown by the stand-in"}, {}, ""},
        ConsoleCase{"MissingClassKeepsTheHelpersText", "[Java Runtime Environment]\r\nMain Class=standin.Missing\r\n"
                    "Virtual Machine Parameters=-Dstandin.helperExits=true\r\n<run>", L"", 1, "",
                    {"Error: Could not find or load main class standin.Missing"}, {"Could not find the main class"}, ""}),
    [](const ::testing::TestParamInfo<ConsoleCase>& info) { return std::string(info.param.name); });

} // namespace
} // namespace launcher
