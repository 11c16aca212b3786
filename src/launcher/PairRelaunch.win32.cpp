#include "launcher/PairRelaunch.h"
#include "base/Handles.win32.h"
#include "base/Wide.win32.h"

namespace launcher {

int relaunchPair(const std::u16string& pairProduct, bool wait) {
    // CreateProcessW may write into the command line it is given.
    std::wstring commandLine = GetCommandLineW();
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(wide(pairProduct), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &info)) {
        return 0;
    }
    UniqueHandle process(info.hProcess);
    UniqueHandle thread(info.hThread);
    if (!wait) return 0;
    WaitForSingleObject(process.get(), INFINITE);
    DWORD code = 0;
    if (!GetExitCodeProcess(process.get(), &code)) return 0;
    return static_cast<int>(code);
}

} // namespace launcher
