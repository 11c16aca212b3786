#include "probe/StandinProbe.h"
#include "base/Text.h"
#include "support/WindowProbe.win32.h"

#include <fstream>
#include <iterator>
#include <set>

namespace launcher::test {

namespace {

std::wstring toWide(const std::string& utf8) {
    std::u16string text = fromUtf8(utf8);
    return std::wstring(text.begin(), text.end());
}

// One argument as the C runtime's command-line parser reads it back.
std::wstring quoted(const std::string& argument) {
    std::wstring text = toWide(argument), out = L"\"";
    size_t backslashes = 0;
    for (wchar_t c : text) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        out.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        out.push_back(c);
    }
    out.append(backslashes * 2, L'\\');
    return out + L"\"";
}

// The box's text as the Linux port prints it: one line.
std::string asOneLine(const std::wstring& text) {
    std::u16string line(text.begin(), text.end());
    while (!line.empty() && (line.back() == u'\n' || line.back() == u'\r')) line.pop_back();
    for (char16_t& c : line) {
        if (c == u'\n' || c == u'\r') c = u' ';
    }
    return toUtf8(line);
}

// Reads an error box, presses its OK as a person would, and waits for it to go.
std::string answerBox(HWND box) {
    std::string message;
    for (const ChildWindow& child : childWindows(box)) {
        if (child.className == L"Static" && !child.text.empty()) message = asOneLine(child.text);
    }
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    for (int i = 0; i < 200 && IsWindow(box); ++i) Sleep(25);
    return message;
}

} // namespace

bool canLaunchElevated() { return canStartElevated(); }

LaunchResult launch(const std::filesystem::path& program, const std::vector<std::string>& arguments, bool elevated) {
    std::wstring commandLine;
    for (const std::string& argument : arguments) commandLine += (commandLine.empty() ? L"" : L" ") + quoted(argument);
    StartedProcess process(program.wstring(), commandLine, elevated ? Rights::Administrator : Rights::User);
    LaunchResult result;
    if (!process.started()) return result;
    std::set<HWND> answered;
    DWORD start = GetTickCount();
    while (GetTickCount() - start < 60000) {
        DWORD code = process.waitForExit(50);
        if (code != STILL_ACTIVE) {
            result.exitCode = static_cast<int>(code);
            break;
        }
        HWND box = waitForProcessWindow(process.id(), L"#32770", 1);
        if (box && answered.insert(box).second) result.messages.push_back(answerBox(box));
    }
    return result;
}

// Wine writes a crash report to the Unix standard error of the crashed
// program, which a Windows parent cannot redirect (it passes on only the
// standard input and output). So the program is started from a Unix shell
// that Wine runs, with its standard error in a file and its exit status in
// another.
std::string unixPath(const std::filesystem::path& path) {
    using ToUnix = char* (*)(const wchar_t*);
    auto toUnix = reinterpret_cast<ToUnix>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    char* name = toUnix ? toUnix(path.wstring().c_str()) : nullptr;
    if (!name) return {};
    std::string text = name;
    HeapFree(GetProcessHeap(), 0, name);
    return text;
}

std::string shellQuoted(const std::string& text) {
    std::string out = "'";
    for (char c : text) {
        if (c == '\'') {
            out.append("'\\''");
        } else {
            out.push_back(c);
        }
    }
    out.push_back('\'');
    return out;
}

CapturedLaunch launchCapturingErrors(const std::filesystem::path& program, const std::vector<std::string>& arguments) {
    CapturedLaunch result;
    const std::filesystem::path folder = program.parent_path();
    const std::filesystem::path errors = folder / "captured-errors.txt", status = folder / "captured-status.txt";
    std::filesystem::remove(status);
    wchar_t loader[MAX_PATH] = L"/usr/lib/wine/wine64";
    GetEnvironmentVariableW(L"WINE64", loader, MAX_PATH);
    const std::string statusPath = unixPath(status);
    std::string script;
    auto word = [&script](const std::string& text) {
        script.append(shellQuoted(text));
        script.push_back(' ');
    };
    word(toUtf8(std::u16string(loader, loader + wcslen(loader))));
    word(unixPath(program));
    for (const std::string& argument : arguments) word(argument);
    script.append("2>");
    word(unixPath(errors));
    script.append("; echo $? >");
    word(statusPath + ".part");
    script.append("; mv ");
    word(statusPath + ".part");
    word(statusPath);
    std::wstring commandLine = L"/bin/sh -c " + launcher::test::quoted(script);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        return result;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    for (int i = 0; i < 1200 && !std::filesystem::exists(status); ++i) Sleep(50);
    std::ifstream code(status);
    if (!(code >> result.exitCode)) result.exitCode = -1000;
    std::ifstream in(errors, std::ios::binary);
    result.errors.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return result;
}

int reportedExitCode(int code) { return code; }

} // namespace launcher::test
