#include "launcher/CacheAssembly.h"

#include "base/FileFinder.h"
#include "base/Handles.win32.h"
#include "base/ModulePath.h"
#include "base/Wide.win32.h"

#include <windows.h>

namespace launcher::assembly {

namespace {

// This process's environment block with the request in it, and no other
// request or runtime option variable that may have been there.
std::u16string environmentWith(std::u16string_view encodedRequest) {
    std::u16string block;
    if (wchar_t* strings = GetEnvironmentStringsW()) {
        for (const wchar_t* entry = strings; *entry; entry += wcslen(entry) + 1) {
            const std::u16string text = fromWide(entry);
            if (keptForAssembly(text)) {
                block += text;
                block.push_back(u'\0');
            }
        }
        FreeEnvironmentStringsW(strings);
    }
    block += kAssemblyVariable;
    block.push_back(u'=');
    block += encodedRequest;
    block.push_back(u'\0');
    block.push_back(u'\0');
    return block;
}

} // namespace

bool startOwnExecutable(std::u16string_view encodedRequest, int* exitCode) {
    std::u16string module;
    if (readModulePath(module) != 0) return false;
    std::u16string commandLine = u"\"" + module + u"\"";
    std::u16string environment = environmentWith(encodedRequest);
    // No console (the console variant would get a new one) and no window;
    // no handle of this process (its single-instance objects among them);
    // no busy cursor while it runs.
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW | STARTF_FORCEOFFFEEDBACK;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION info{};
    const DWORD flags = DETACHED_PROCESS | CREATE_NO_WINDOW | CREATE_UNICODE_ENVIRONMENT | BELOW_NORMAL_PRIORITY_CLASS;
    auto start = [&](DWORD more) {
        return CreateProcessW(wide(module), wide(commandLine), nullptr, nullptr, FALSE, flags | more, environment.data(),
                              nullptr, &startup, &info) != 0;
    };
    // Out of the application's job where it may leave it, so that a job that
    // ends its processes with the application does not end the assembly.
    if (!start(exitCode ? 0 : CREATE_BREAKAWAY_FROM_JOB) && (exitCode || !start(0))) return false;
    UniqueHandle process(info.hProcess);
    UniqueHandle thread(info.hThread);
    if (!exitCode) return true;
    DWORD code = 0;
    if (WaitForSingleObject(process.get(), INFINITE) != WAIT_OBJECT_0 || !GetExitCodeProcess(process.get(), &code)) {
        return false;
    }
    *exitCode = static_cast<int>(code);
    return true;
}

void lowerPriority() { SetPriorityClass(GetCurrentProcess(), BELOW_NORMAL_PRIORITY_CLASS); }

Lock::Lock(std::u16string_view path) {
    // Shared with nobody: a second assembly cannot open it. The system
    // closes it, and so deletes it, when the process ends however it ends.
    HANDLE file = CreateFileW(wide(longPathPattern(path)), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    handle_ = reinterpret_cast<intptr_t>(file);
    held_ = true;
}

Lock::~Lock() {
    if (held_) CloseHandle(reinterpret_cast<HANDLE>(handle_));
}

} // namespace launcher::assembly
