#include "base/FileFinder.h"
#include "base/Handles.win32.h"
#include "base/Trace.h"
#include "base/Wide.win32.h"

namespace launcher::trace {

namespace {

UniqueFileHandle fileSink;
HANDLE sinkHandle = nullptr;
bool sinkIsConsole = false;

uint64_t fileTimeValue(const FILETIME& t) {
    return (static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
}

// The file in the form that passes the 260-character limit of the file
// functions: full, with the long-path prefix where it is that long.
std::u16string openablePath(const std::u16string& path) {
    std::optional<std::u16string> full = fullPathName(path);
    return longPathPattern(full ? *full : path);
}

} // namespace

uint64_t millisecondsSinceProcessStart() noexcept {
    FILETIME created{}, exited{}, kernel{}, user{}, now{};
    if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return 0;
    GetSystemTimeAsFileTime(&now);
    uint64_t start = fileTimeValue(created);
    uint64_t current = fileTimeValue(now);
    // File times count 100-nanosecond steps.
    return current > start ? (current - start) / 10000 : 0;
}

uint32_t currentProcessId() noexcept { return GetCurrentProcessId(); }

bool openSink(const SinkChoice& choice) noexcept {
    if (choice.kind == SinkKind::StandardError) {
        HANDLE handle = GetStdHandle(STD_ERROR_HANDLE);
        // A GUI program started from Explorer has no standard error at all.
        if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return false;
        DWORD mode = 0;
        sinkIsConsole = GetConsoleMode(handle, &mode) != 0;
        sinkHandle = handle;
        return true;
    }
    try {
        std::u16string path = openablePath(choice.path);
        // Appending only: each write lands at the end even while other
        // processes (a second start, the paired launcher) append too.
        HANDLE handle = CreateFileW(wide(path), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle == INVALID_HANDLE_VALUE) return false;
        fileSink.reset(handle);
        sinkHandle = handle;
        sinkIsConsole = false;
        return true;
    } catch (...) {
        return false;
    }
}

void writeSink(std::string_view bytes) noexcept {
    if (sinkHandle == nullptr) return;
    if (sinkIsConsole) {
        // A console shows UTF-16 whatever its code page.
        try {
            std::u16string text = fromUtf8(bytes);
            DWORD written = 0;
            WriteConsoleW(sinkHandle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        } catch (...) {
        }
        return;
    }
    DWORD written = 0;
    WriteFile(sinkHandle, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

void closeSink() noexcept {
    sinkHandle = nullptr;
    sinkIsConsole = false;
    fileSink.reset();
}

} // namespace launcher::trace
