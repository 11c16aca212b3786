#include "launcher/ProcessSetup.h"

#include <windows.h>

namespace launcher {

void useSystemDefaultLocale() {
    SetThreadLocale(GetSystemDefaultLCID());
}

} // namespace launcher
