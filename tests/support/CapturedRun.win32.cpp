#include "support/CapturedRun.win32.h"

#include <thread>

namespace launcher::test {

namespace {

std::wstring quoted(const std::wstring& argument) {
    if (!argument.empty() && argument.find(L' ') == std::wstring::npos) return argument;
    return L"\"" + argument + L"\"";
}

std::string drain(HANDLE pipe) {
    std::string text;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(pipe, buffer, sizeof buffer, &got, nullptr) && got > 0) text.append(buffer, got);
    return text;
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

CapturedRun runCaptured(const std::filesystem::path& exe, const std::wstring& arguments, const RunOptions& options) {
    Pipe out, err;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = out.write;
    startup.hStdError = err.write;
    std::wstring commandLine = L"\"" + exe.wstring() + L"\" " + arguments;
    const wchar_t* folder = options.workingDirectory.empty() ? nullptr : options.workingDirectory.c_str();
    PROCESS_INFORMATION process{};
    HANDLE token = options.rights == Rights::User ? desktopUserToken() : nullptr;
    BOOL started = token && CreateProcessAsUserW(token, exe.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0,
                                                 nullptr, folder, &startup, &process);
    if (!started) {
        started = CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, folder,
                                 &startup, &process);
    }
    out.closeWrite();
    err.closeWrite();
    CapturedRun run;
    if (!started) return run;
    std::thread outReader([&] { run.out = drain(out.read); });
    std::thread errReader([&] { run.err = drain(err.read); });
    if (WaitForSingleObject(process.hProcess, options.timeoutMs) == WAIT_TIMEOUT) {
        TerminateProcess(process.hProcess, STILL_ACTIVE);
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    GetExitCodeProcess(process.hProcess, &run.exitCode);
    outReader.join();
    errReader.join();
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return run;
}

} // namespace launcher::test
