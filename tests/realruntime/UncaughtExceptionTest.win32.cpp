// main ends with an exception that has a cause, on the real runtime:
// launcher.exe shows the runtime's own stack trace in the exception dialog,
// and the answer, or its absence, gives the exit code of the README.

#include "RealRuntime.win32.h"
#include "support/DialogProbe.win32.h"
#include "ui/DialogIds.h"

#include <windows.h>

#include <tlhelp32.h>

#include <future>

// The suite is compiled as one unit: the helpers of each file keep to
// a namespace of their own.
namespace launcher::uncaught_rows {
namespace {

namespace fs = std::filesystem;

// The id of a running process started from exe; 0 when none runs.
DWORD runningProcessOf(const fs::path& exe) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return 0;
    DWORD found = 0;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more && !found; more = Process32NextW(snapshot, &entry)) {
        if (lstrcmpiW(entry.szExeFile, exe.filename().c_str()) != 0) continue;
        HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ProcessID);
        if (!process) continue;
        std::wstring image(32768, L'\0');
        DWORD length = static_cast<DWORD>(image.size());
        if (QueryFullProcessImageNameW(process, 0, image.data(), &length)) {
            image.resize(length);
            if (lstrcmpiW(image.c_str(), exe.c_str()) == 0) found = entry.th32ProcessID;
        }
        CloseHandle(process);
    }
    CloseHandle(snapshot);
    return found;
}

std::string utf8(std::wstring_view text) { return toUtf8(std::u16string(text.begin(), text.end())); }

struct Ending {
    const char* name;
    const char* failureCheck;
    int button;      // what the user presses in the dialog; 0: no dialog shows
    DWORD exitCode;
    bool goesOn;     // the program's thread that outlives main finishes its work
};

void PrintTo(const Ending& e, std::ostream* out) { *out << e.name; }

class RealUncaught : public test::RealRuntimeTest, public ::testing::WithParamInterface<Ending> {};

TEST_P(RealUncaught, EndsAsTheReadmeSays) {
    const Ending& ending = GetParam();
    useProgram("launcher.exe");
    writeIni(jrePathLine(), std::string("[Application]\r\nFailure Check=") + ending.failureCheck + "\r\n",
             "realapp.Uncaught");
    const fs::path release = folder.path() / "release";
    // Without a dialog the program's thread may go on at once.
    if (!ending.button) test::writeBytes(release, "");
    std::future<test::CapturedRun> launch =
        std::async(std::launch::async, [this] { return start({}, {.timeoutMs = 60000}); });

    if (ending.button) {
        DWORD id = 0;
        ASSERT_TRUE(test::waitUntil([&] { return (id = runningProcessOf(exe)) != 0; }, 30000)) << "it never started";
        HWND dialog = test::waitForProcessWindow(id, L"#32770", 30000);
        ASSERT_NE(dialog, nullptr) << "no dialog appeared";
        EXPECT_EQ(test::windowText(dialog), L"Java Exception");
        const std::wstring trace = test::controlText(test::dialogControl(dialog, dialog::kTraceEdit));
        for (const wchar_t* line : {L"java.lang.IllegalStateException: settings unreadable",
                                    L"at realapp.Uncaught.readSettings(Uncaught.java:",
                                    L"at realapp.Uncaught.main(Uncaught.java:",
                                    L"Caused by: java.io.FileNotFoundException: app.settings (no such file)",
                                    L"at realapp.Uncaught.openSettings(Uncaught.java:"}) {
            EXPECT_NE(trace.find(line), std::wstring::npos) << "missing: " << utf8(line) << "\nin:\n" << utf8(trace);
        }
        PostMessageW(test::dialogControl(dialog, ending.button), BM_CLICK, 0, 0);
        // A program that goes on finishes its work now; one that was
        // stopped is gone before it could.
        if (ending.goesOn) test::writeBytes(release, "");
    }

    const test::CapturedRun run = launch.get();
    EXPECT_EQ(run.exitCode, ending.exitCode) << run.out << run.err;
    EXPECT_EQ(test::reported(run.out, "main"), "throwing");
    EXPECT_EQ(test::reported(run.out, "worker"), ending.goesOn ? "done" : "<missing>") << run.out;
    EXPECT_EQ(run.err.find("Unhandled"), std::string::npos) << "a crash: " << run.err;
    if (!ending.button) {
        // Nobody saw the dialog: the runtime printed the trace, cause and all.
        EXPECT_NE(run.err.find("Exception in thread \"main\" java.lang.IllegalStateException: settings unreadable"),
                  std::string::npos)
            << run.err;
        EXPECT_NE(run.err.find("Caused by: java.io.FileNotFoundException"), std::string::npos) << run.err;
    }
}

INSTANTIATE_TEST_SUITE_P(Endings, RealUncaught,
                         ::testing::Values(Ending{"Ignore", "Yes", IDOK, 0, true},
                                           Ending{"Stop", "Yes", IDCANCEL, static_cast<DWORD>(-1), false},
                                           Ending{"FailureCheckOff", "No", 0, 1, true}),
                         [](const ::testing::TestParamInfo<Ending>& info) { return std::string(info.param.name); });

} // namespace
} // namespace launcher::uncaught_rows
