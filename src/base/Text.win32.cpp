#include "base/Text.h"
#include "base/Wide.win32.h"

#include <windows.h>

namespace launcher {

// Narrow text follows the thread's ANSI code page, which the entry point
// fixes to the system default.
std::string toNarrow(std::u16string_view text) {
    if (text.empty()) return {};
    const auto* source = reinterpret_cast<const wchar_t*>(text.data());
    int length = WideCharToMultiByte(CP_THREAD_ACP, 0, source, static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    if (length <= 0) return {};
    std::string out(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_THREAD_ACP, 0, source, static_cast<int>(text.size()), out.data(), length, nullptr, nullptr);
    return out;
}

std::u16string fromNarrow(std::string_view text) {
    if (text.empty()) return {};
    int length = MultiByteToWideChar(CP_THREAD_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    if (length <= 0) return {};
    std::u16string out(static_cast<size_t>(length), u'\0');
    MultiByteToWideChar(CP_THREAD_ACP, 0, text.data(), static_cast<int>(text.size()), wide(out), length);
    return out;
}

} // namespace launcher
