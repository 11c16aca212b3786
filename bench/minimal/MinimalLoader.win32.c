/* The least a Windows program does before it has a runtime library loaded:
   the yardstick for the launcher's own work under Wine, where process
   start-up alone costs more than everything the launcher does. Built twice:
   as it is, and importing USER32 as the launcher does (under Wine that
   import alone sets up the graphics side, fonts included). */

#include <windows.h>

int wmain(int argc, wchar_t** argv) {
#ifdef WITH_USER32
    // Never true: only makes the import a load-time one.
    if (argc < 0) IsWindow(NULL);
#endif
    if (argc < 2) return 2;
    HMODULE library = LoadLibraryW(argv[1]);
    if (!library) return 3;
    return GetProcAddress(library, "JNI_CreateJavaVM") ? 0 : 4;
}
