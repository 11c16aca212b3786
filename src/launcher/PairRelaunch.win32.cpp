#include "launcher/PairRelaunch.h"
#include "base/Handles.win32.h"
#include "base/Text.h"
#include "base/Wide.win32.h"

namespace launcher {

PairOutcome relaunchPair(const std::u16string& pairPath, bool wait) {
    // CreateProcessW may write into the command line it is given.
    std::wstring commandLine = GetCommandLineW();
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    PairOutcome outcome;
    if (!CreateProcessW(wide(pairPath), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &info)) {
        outcome.error = GetLastError();
        return outcome;
    }
    outcome.started = true;
    UniqueHandle process(info.hProcess);
    UniqueHandle thread(info.hThread);
    if (!wait) return outcome;
    DWORD code = 0;
    if (WaitForSingleObject(process.get(), INFINITE) != WAIT_OBJECT_0 || !GetExitCodeProcess(process.get(), &code)) {
        // Reporting 0 would tell the caller the application ran and ended well.
        outcome.exitCode = -1;
        outcome.abnormalEnd = u"the paired launcher's exit code cannot be read (error " +
                              toDecimal(static_cast<long long>(GetLastError())) + u")";
        return outcome;
    }
    outcome.exitCode = static_cast<int>(code);
    return outcome;
}

} // namespace launcher
