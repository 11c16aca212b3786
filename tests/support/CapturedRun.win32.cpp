#include "support/CapturedRun.win32.h"
#include "base/Handles.win32.h"

#include <algorithm>

namespace launcher::test {

namespace {

std::wstring quoted(const std::wstring& argument) {
    if (!argument.empty() && argument.find(L' ') == std::wstring::npos) return argument;
    return L"\"" + argument + L"\"";
}

// Moves what the pipe holds now into text, without waiting; false once the
// pipe has no writer left.
bool takeAvailable(HANDLE pipe, std::string& text) {
    DWORD available = 0;
    if (!PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr)) return false;
    while (available > 0) {
        char buffer[4096];
        DWORD got = 0;
        if (!ReadFile(pipe, buffer, std::min<DWORD>(available, sizeof buffer), &got, nullptr) || got == 0) return false;
        text.append(buffer, got);
        available -= got;
    }
    return true;
}

struct Pipe {
    HANDLE read = nullptr;
    HANDLE write = nullptr;
    Pipe() {
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        if (CreatePipe(&read, &write, &inherit, 0)) SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
    }
    ~Pipe() {
        closeWrite();
        if (read) CloseHandle(read);
    }
    Pipe(const Pipe&) = delete;
    Pipe& operator=(const Pipe&) = delete;
    void closeWrite() {
        if (write) CloseHandle(write);
        write = nullptr;
    }
};

} // namespace

std::wstring commandLineOf(const std::vector<std::wstring>& arguments) {
    std::wstring line;
    for (const std::wstring& argument : arguments) {
        if (!line.empty()) line.push_back(L' ');
        line += quoted(argument);
    }
    return line;
}

namespace {

// Starts exe with these standard handles, with the rights and in the folder
// the options say.
bool startWith(const std::filesystem::path& exe, const std::wstring& arguments, const RunOptions& options,
               HANDLE output, HANDLE error, PROCESS_INFORMATION& process) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = output;
    startup.hStdError = error;
    std::wstring commandLine = L"\"" + exe.wstring() + L"\" " + arguments;
    const wchar_t* folder = options.workingDirectory.empty() ? nullptr : options.workingDirectory.c_str();
    HANDLE token = options.rights == Rights::User ? desktopUserToken() : nullptr;
    if (token && CreateProcessAsUserW(token, exe.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                      folder, &startup, &process)) {
        return true;
    }
    return CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, folder, &startup,
                          &process) != 0;
}

} // namespace

CapturedRun runCaptured(const std::filesystem::path& exe, const std::wstring& arguments, const RunOptions& options) {
    Pipe out, err;
    PROCESS_INFORMATION process{};
    const bool started = startWith(exe, arguments, options, out.write, err.write, process);
    out.closeWrite();
    err.closeWrite();
    CapturedRun run;
    if (!started) return run;
    // The pipes are read while the program runs and until its end, never
    // to their end of file: under Wine a helper that the program's first
    // window starts (explorer.exe, the desktop) inherits them and keeps
    // them open long after.
    const ULONGLONG deadline = GetTickCount64() + options.timeoutMs;
    bool ended = false;
    while (!ended) {
        ended = WaitForSingleObject(process.hProcess, 10) == WAIT_OBJECT_0;
        const bool outOpen = takeAvailable(out.read, run.out);
        const bool errOpen = takeAvailable(err.read, run.err);
        const ULONGLONG now = GetTickCount64();
        // Both closed: nothing more to read, only the end to wait for.
        if (!ended && !outOpen && !errOpen && now < deadline) {
            ended = WaitForSingleObject(process.hProcess, static_cast<DWORD>(deadline - now)) == WAIT_OBJECT_0;
        }
        if (!ended && GetTickCount64() >= deadline) {
            TerminateProcess(process.hProcess, STILL_ACTIVE);
            WaitForSingleObject(process.hProcess, INFINITE);
            ended = true;
        }
    }
    // What the program wrote just before it ended.
    takeAvailable(out.read, run.out);
    takeAvailable(err.read, run.err);
    GetExitCodeProcess(process.hProcess, &run.exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return run;
}

DWORD runToFiles(const std::filesystem::path& exe, const std::wstring& arguments, const RunOptions& options,
                 const std::filesystem::path& output, const std::filesystem::path& error) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    auto create = [&](const std::filesystem::path& file) {
        return UniqueFileHandle(CreateFileW(file.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                                            FILE_ATTRIBUTE_NORMAL, nullptr));
    };
    const UniqueFileHandle out = create(output), err = create(error);
    PROCESS_INFORMATION process{};
    if (!out || !err || !startWith(exe, arguments, options, out.get(), err.get(), process)) return STILL_ACTIVE;
    const UniqueHandle ended(process.hProcess), thread(process.hThread);
    if (WaitForSingleObject(ended.get(), options.timeoutMs) != WAIT_OBJECT_0) {
        TerminateProcess(ended.get(), STILL_ACTIVE);
        WaitForSingleObject(ended.get(), INFINITE);
        return STILL_ACTIVE;
    }
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(ended.get(), &code);
    return code;
}

} // namespace launcher::test
