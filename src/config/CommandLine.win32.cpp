#include "config/CommandLine.h"
#include "base/Wide.win32.h"

#include <windows.h>

namespace launcher {

TextList readProcessArguments() {
    return argumentsFromCommandLine(fromWide(GetCommandLineW()));
}

} // namespace launcher
