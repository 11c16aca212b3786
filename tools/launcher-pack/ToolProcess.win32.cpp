#include "ToolProcess.h"

#include "Bytes.h"
#include "base/Handles.win32.h"
#include "base/Text.h"

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
// added (names compared without case, as Windows does).
std::wstring environmentBlock(const ToolEnvironment& changes) {
    std::wstring block;
    wchar_t* strings = GetEnvironmentStringsW();
    for (const wchar_t* entry = strings; entry && *entry; entry += wcslen(entry) + 1) {
        std::wstring text(entry);
        bool changed = false;
        for (const auto& [name, _] : changes) {
            std::wstring prefix = wide(name + "=");
            changed = changed || (text.size() >= prefix.size() &&
                                  CompareStringOrdinal(text.c_str(), static_cast<int>(prefix.size()), prefix.c_str(),
                                                       static_cast<int>(prefix.size()), TRUE) == CSTR_EQUAL);
        }
        if (!changed) block += text + L'\0';
    }
    if (strings) FreeEnvironmentStringsW(strings);
    for (const auto& [name, value] : changes) block += wide(name + "=" + value) + L'\0';
    return block + L'\0';
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
                const std::string& input, const ToolEnvironment& environment) {
    Pipe in(true), out(false);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = in.read.get();
    startup.hStdOutput = out.write.get();
    startup.hStdError = out.write.get();
    std::u16string programText = program.u16string();
    std::vector<std::string> argv{toUtf8(programText)};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::wstring commandLine = wide(windowsCommandLine(argv));
    PROCESS_INFORMATION info{};
    std::wstring block = environment.empty() ? std::wstring() : environmentBlock(environment);
    if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW | CREATE_UNICODE_ENVIRONMENT,
                        block.empty() ? nullptr : block.data(), nullptr, &startup, &info)) {
        throw PackError(toUtf8(programText) + " cannot be started: " + errorText(GetLastError()));
    }
    UniqueHandle process(info.hProcess), thread(info.hThread);
    in.read.reset();
    out.write.reset();
    DWORD written = 0;
    if (!input.empty()) WriteFile(in.write.get(), input.data(), static_cast<DWORD>(input.size()), &written, nullptr);
    in.write.reset();
    ToolRun run;
    char buffer[65536];
    DWORD read = 0;
    while (ReadFile(out.read.get(), buffer, sizeof buffer, &read, nullptr) && read > 0) run.output.append(buffer, read);
    WaitForSingleObject(process.get(), INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process.get(), &code);
    run.exitCode = static_cast<int>(code);
    return run;
}

} // namespace launcher::pack
