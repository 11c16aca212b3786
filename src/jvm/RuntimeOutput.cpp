#include "jvm/RuntimeOutput.h"

namespace launcher {

bool isCacheNotice(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    return text.starts_with("AOTConfiguration recorded");
}

std::string formatRuntimeText(const char* format, va_list arguments) {
    std::string text(256, '\0');
    for (;;) {
        va_list copy;
        va_copy(copy, arguments);
        const int needed = std::vsnprintf(text.data(), text.size(), format, copy);
        va_end(copy);
        if (needed < 0) return {};
        if (static_cast<size_t>(needed) < text.size()) {
            text.resize(static_cast<size_t>(needed));
            return text;
        }
        text.resize(static_cast<size_t>(needed) + 1);
    }
}

jint JNICALL filteringPrintHook(FILE* stream, const char* format, va_list arguments) {
    const std::string text = formatRuntimeText(format, arguments);
    if (!isCacheNotice(text)) writeRuntimeStream(stream, text);
    return static_cast<jint>(text.size());
}

} // namespace launcher
