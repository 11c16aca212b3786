#include "update/RuntimeProbe.h"

#include "base/Handles.win32.h"
#include "base/Wide.win32.h"

#include <windows.h>

namespace launcher {

namespace {

constexpr DWORD kPollMilliseconds = 50;

int stopChild(HANDLE process, int code) {
    TerminateProcess(process, 1);
    WaitForSingleObject(process, INFINITE);
    return code;
}

} // namespace

std::optional<int> runProbe(const std::u16string& program, const std::u16string& argument, std::chrono::seconds limit,
                            const std::atomic<bool>* cancel) {
    std::u16string commandLine = u"\"" + program + u"\" " + argument;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    // No console of its own and no handle of ours: the probe's output goes
    // nowhere.
    if (!CreateProcessW(wide(program), wide(commandLine), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                        &startup, &info)) {
        return std::nullopt;
    }
    UniqueHandle process(info.hProcess);
    UniqueHandle thread(info.hThread);
    const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(limit.count()) * 1000;
    while (WaitForSingleObject(process.get(), kPollMilliseconds) == WAIT_TIMEOUT) {
        if (cancel && cancel->load()) return stopChild(process.get(), kProbeCancelled);
        if (GetTickCount64() >= deadline) return stopChild(process.get(), kProbeTimedOut);
    }
    DWORD code = 0;
    if (!GetExitCodeProcess(process.get(), &code)) return std::nullopt;
    return static_cast<int>(code);
}

} // namespace launcher
