#include "vmopts/MemoryOptions.h"

#include <windows.h>

namespace launcher {

// The extended call: the plain one may report -1 on machines with more than
// 4 GB and is kept only for old programs.
MemoryFigures readMemoryFigures() {
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof(status);
    if (!GlobalMemoryStatusEx(&status)) return {};
    return {status.ullTotalPhys, status.ullAvailVirtual};
}

} // namespace launcher
