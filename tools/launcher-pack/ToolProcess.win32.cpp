#include "ToolProcess.h"

#include "Bytes.h"
#include "SecretFile.h"
#include "base/Handles.win32.h"
#include "base/Text.h"

#include <algorithm>

#include <windows.h>

namespace launcher::pack {

namespace {

std::wstring wide(const std::string& utf8) {
    std::u16string text = fromUtf8(utf8);
    return std::wstring(text.begin(), text.end());
}

std::string errorText(DWORD code) {
    return "error " + std::to_string(code);
}

struct Pipe {
    UniqueHandle read, write;
    // The child's end is inheritable, ours is not.
    explicit Pipe(bool childReads) {
        SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
        HANDLE r = nullptr, w = nullptr;
        if (!CreatePipe(&r, &w, &inherit, 0)) throw PackError("cannot create a pipe: " + errorText(GetLastError()));
        read.reset(r);
        write.reset(w);
        SetHandleInformation(childReads ? w : r, HANDLE_FLAG_INHERIT, 0);
    }
};

// This process's environment block with the given variables replaced or
// added and the withheld ones left out (names compared without case, as
// Windows does).
std::wstring environmentBlock(const ToolRequest& request) {
    std::wstring block;
    wchar_t* strings = GetEnvironmentStringsW();
    auto named = [](const std::wstring& entry, const std::string& name) {
        std::wstring prefix = wide(name + "=");
        return entry.size() >= prefix.size() && CompareStringOrdinal(entry.c_str(), static_cast<int>(prefix.size()), prefix.c_str(),
                                                                     static_cast<int>(prefix.size()), TRUE) == CSTR_EQUAL;
    };
    for (const wchar_t* entry = strings; entry && *entry; entry += wcslen(entry) + 1) {
        std::wstring text(entry);
        bool dropped = false;
        for (const auto& [name, _] : request.environment) dropped = dropped || named(text, name);
        for (const std::string& name : request.withheld) dropped = dropped || named(text, name);
        if (!dropped) block += text + L'\0';
    }
    if (strings) FreeEnvironmentStringsW(strings);
    for (const auto& [name, value] : request.environment) block += wide(name + "=" + value) + L'\0';
    return block + L'\0';
}

using Deadline = std::chrono::steady_clock::time_point;
constexpr Deadline kNoDeadline = Deadline::max();

// Reads the tool's output until every writer has closed the pipe, or until
// the deadline; false at the deadline. Anonymous pipes cannot wait with a
// time limit: with one, the pipe is looked at until it holds something.
bool readOutput(HANDLE pipe, std::string& output, Deadline deadline) {
    char buffer[65536];
    for (;;) {
        if (deadline != kNoDeadline) {
            DWORD available = 0;
            if (!PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr)) return true;
            if (available == 0) {
                if (std::chrono::steady_clock::now() >= deadline) return false;
                Sleep(10);
                continue;
            }
        }
        DWORD read = 0;
        if (!ReadFile(pipe, buffer, sizeof buffer, &read, nullptr) || read == 0) return true;
        output.append(buffer, read);
    }
}

DWORD millisecondsUntil(Deadline deadline) {
    if (deadline == kNoDeadline) return INFINITE;
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
    return static_cast<DWORD>(std::clamp<long long>(left, 0, 0x7FFFFFFF));
}

} // namespace

std::optional<std::filesystem::path> findTool(const std::string& name) {
    std::wstring file = wide(name);
    // PATH alone: not the current folder, where anyone may have put a
    // program of that name.
    std::wstring path(GetEnvironmentVariableW(L"PATH", nullptr, 0), L'\0');
    if (path.empty()) return std::nullopt;
    path.resize(GetEnvironmentVariableW(L"PATH", path.data(), static_cast<DWORD>(path.size())));
    if (path.empty()) return std::nullopt;
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        DWORD length = SearchPathW(path.c_str(), file.c_str(), L".exe", static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
        if (length == 0) return std::nullopt;
        if (length < buffer.size()) {
            buffer.resize(length);
            return std::filesystem::path(buffer);
        }
        buffer.resize(length); // too small: the result's length with its end
    }
}

ToolRun runTool(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                const ToolRequest& request) {
    Pipe in(true), out(false);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = in.read.get();
    startup.hStdOutput = out.write.get();
    startup.hStdError = out.write.get();
    std::optional<SecretFile> secret;
    if (request.secret) secret.emplace(*request.secret);
    std::u16string programText = program.u16string();
    std::vector<std::string> argv{toUtf8(programText)};
    std::vector<std::string> given = withSecretFile(arguments, secret ? toUtf8(secret->path().u16string()) : "");
    argv.insert(argv.end(), given.begin(), given.end());
    std::wstring commandLine = wide(windowsCommandLine(argv));
    PROCESS_INFORMATION info{};
    bool changed = !request.environment.empty() || !request.withheld.empty();
    std::wstring block = changed ? environmentBlock(request) : std::wstring();
    // With a time limit the tool runs in a job, so that stopping it stops
    // what it started too; it starts suspended until it is in the job.
    bool limited = request.timeLimit.count() > 0;
    UniqueHandle job(limited ? CreateJobObjectW(nullptr, nullptr) : nullptr);
    DWORD flags = CREATE_NO_WINDOW | CREATE_UNICODE_ENVIRONMENT | (job ? CREATE_SUSPENDED : 0);
    if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, flags, changed ? block.data() : nullptr,
                        nullptr, &startup, &info)) {
        throw PackError(toUtf8(programText) + " cannot be started: " + errorText(GetLastError()));
    }
    UniqueHandle process(info.hProcess), thread(info.hThread);
    if (job && !AssignProcessToJobObject(job.get(), process.get())) job.reset();
    if (flags & CREATE_SUSPENDED) ResumeThread(thread.get());
    Deadline deadline = limited ? std::chrono::steady_clock::now() + request.timeLimit : kNoDeadline;
    in.read.reset();
    out.write.reset();
    DWORD written = 0;
    if (!request.input.empty()) {
        WriteFile(in.write.get(), request.input.data(), static_cast<DWORD>(request.input.size()), &written, nullptr);
    }
    in.write.reset();
    ToolRun run;
    bool ended = readOutput(out.read.get(), run.output, deadline) &&
                 WaitForSingleObject(process.get(), millisecondsUntil(deadline)) == WAIT_OBJECT_0;
    if (!ended) {
        if (job) TerminateJobObject(job.get(), 1);
        TerminateProcess(process.get(), 1);
        WaitForSingleObject(process.get(), INFINITE);
        run.timedOut = true;
    }
    DWORD code = 0;
    GetExitCodeProcess(process.get(), &code);
    run.exitCode = static_cast<int>(code);
    return run;
}

} // namespace launcher::pack
