/* The least a Windows program does before it has a runtime library loaded:
   the yardstick for the launcher's own work under Wine, where process
   start-up alone costs more than everything the launcher does. */

#include <windows.h>

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) return 2;
    HMODULE library = LoadLibraryW(argv[1]);
    if (!library) return 3;
    return GetProcAddress(library, "JNI_CreateJavaVM") ? 0 : 4;
}
