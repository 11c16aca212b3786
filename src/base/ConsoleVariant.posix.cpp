#include "base/ConsoleVariant.h"
#include "base/Text.h"

#include <cstdio>

namespace launcher {

// The Linux launcher is a console program by nature: there is no second one.
void useConsoleVariant() {}
bool isConsoleVariant() { return false; }
bool messagesGoToStandardError() { return true; }

void writeStandardError(std::u16string_view text) {
    std::string bytes = toUtf8(text);
    std::fwrite(bytes.data(), 1, bytes.size(), stderr);
    std::fflush(stderr);
}

} // namespace launcher
