#include "ui/ExceptionPrompt.h"
#include "base/Text.h"

#include <cstdio>

namespace launcher {

bool askToStopAfterException(std::u16string_view stackTrace) {
    std::string text = toUtf8(stackTrace);
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fflush(stderr);
    return false;
}

} // namespace launcher
