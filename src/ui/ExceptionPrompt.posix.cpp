#include "ui/ExceptionPrompt.h"
#include "base/Text.h"

#include <cstdio>

namespace launcher {

ExceptionAnswer askAboutException(std::u16string_view stackTrace) {
    std::string text = toUtf8(stackTrace);
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fflush(stderr);
    return ExceptionAnswer::NotShown;
}

} // namespace launcher
