#include "ui/TerminalInstall.h"

#include <windows.h>

namespace launcher {

bool errorStreamIsTerminal() {
    // A console answers for its mode; a file or pipe does not.
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != FALSE;
}

} // namespace launcher
