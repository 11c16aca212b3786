// The DLL that the suite's JNI library imports by name. Built twice: the
// real copy answers 7; the planted copy answers 666 and leaves a file in
// the current folder as soon as any process loads it, so a test sees it
// was loaded even if its answer is never asked for.

#include <windows.h>

extern "C" __declspec(dllexport) int realdepValue() { return REALDEP_VALUE; }

#if defined(REALDEP_PLANTED)
extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        HANDLE marker = CreateFileW(L"planted-realdep-loaded.txt", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
        if (marker != INVALID_HANDLE_VALUE) CloseHandle(marker);
    }
    return TRUE;
}
#endif
