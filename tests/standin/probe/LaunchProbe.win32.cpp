#include "probe/StandinProbe.h"
#include "base/Text.h"
#include "support/WindowProbe.win32.h"

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

int reportedExitCode(int code) { return code; }

} // namespace launcher::test
