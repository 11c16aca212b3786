// Stands in for the paired launcher executable in the whole-launch tests.
// It writes the command line it was started with (UTF-16, no terminator) to
// the file named by PAIR_PROBE_OUTPUT and ends with the code given in
// PAIR_PROBE_EXIT_CODE. When PAIR_PROBE_HOLD names an event, it first waits
// for the test to set it, so that the test can see whether its starter
// waited for it.

#include <windows.h>

#include <cwchar>
#include <string>

namespace {

std::wstring variable(const wchar_t* name) {
    DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
    if (size == 0) return {};
    std::wstring value(size, L'\0');
    DWORD length = GetEnvironmentVariableW(name, value.data(), size);
    value.resize(length < size ? length : 0);
    return value;
}

void waitForRelease(const std::wstring& eventName) {
    HANDLE event = OpenEventW(SYNCHRONIZE, FALSE, eventName.c_str());
    if (!event) return;
    // Bounded, so that a test that failed early leaves no probe behind.
    WaitForSingleObject(event, 60000);
    CloseHandle(event);
}

// Written under another name first and then renamed, so that the test never
// reads half a command line.
void record(const std::wstring& output, const wchar_t* text) {
    std::wstring partial = output + L".part";
    HANDLE file = CreateFileW(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(file, text, static_cast<DWORD>(std::wcslen(text) * sizeof(wchar_t)), &written, nullptr);
    CloseHandle(file);
    MoveFileExW(partial.c_str(), output.c_str(), MOVEFILE_REPLACE_EXISTING);
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    std::wstring hold = variable(L"PAIR_PROBE_HOLD");
    if (!hold.empty()) waitForRelease(hold);
    std::wstring output = variable(L"PAIR_PROBE_OUTPUT");
    if (!output.empty()) record(output, GetCommandLineW());
    return static_cast<int>(std::wcstol(variable(L"PAIR_PROBE_EXIT_CODE").c_str(), nullptr, 10));
}
