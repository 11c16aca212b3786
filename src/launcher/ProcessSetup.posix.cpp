#include "launcher/ProcessSetup.h"

#include <clocale>

namespace launcher {

void useSystemDefaultLocale() {
    std::setlocale(LC_ALL, "");
}

long setAppUserModelId(std::u16string_view) {
    return -1;
}

} // namespace launcher
