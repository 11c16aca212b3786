#include "ui/TerminalInstall.h"

#include <unistd.h>

namespace launcher {

bool errorStreamIsTerminal() { return ::isatty(STDERR_FILENO) != 0; }

} // namespace launcher
