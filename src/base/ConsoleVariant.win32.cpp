#include "base/ConsoleVariant.h"
#include "base/Text.h"

#include <windows.h>

#include <algorithm>
#include <atomic>

namespace launcher {

namespace {
std::atomic<bool> consoleVariant{false};
} // namespace

void useConsoleVariant() { consoleVariant = true; }
bool isConsoleVariant() { return consoleVariant; }
bool messagesGoToStandardError() { return consoleVariant; }

void writeStandardError(std::u16string_view text) {
    HANDLE handle = GetStdHandle(STD_ERROR_HANDLE);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE || text.empty()) return;
    DWORD mode = 0;
    if (GetConsoleMode(handle, &mode)) {
        // A console shows every character whatever its code page; write in
        // pieces, as a console refuses very large writes.
        constexpr size_t kPiece = 8192;
        for (size_t at = 0; at < text.size(); at += kPiece) {
            std::u16string_view piece = text.substr(at, kPiece);
            DWORD written = 0;
            if (!WriteConsoleW(handle, piece.data(), static_cast<DWORD>(piece.size()), &written, nullptr)) return;
        }
        return;
    }
    // Redirected to a file or a pipe: the ANSI code page, as the Java
    // runtime writes its own standard error there.
    std::string bytes = toNarrow(text);
    size_t at = 0;
    while (at < bytes.size()) {
        DWORD written = 0;
        const DWORD size = static_cast<DWORD>(std::min<size_t>(bytes.size() - at, 1u << 20));
        if (!WriteFile(handle, bytes.data() + at, size, &written, nullptr) || written == 0) return;
        at += written;
    }
}

} // namespace launcher
