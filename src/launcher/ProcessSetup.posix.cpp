#include "launcher/ProcessSetup.h"

#include <clocale>

namespace launcher {

void useSystemDefaultLocale() {
    std::setlocale(LC_ALL, "");
}

} // namespace launcher
