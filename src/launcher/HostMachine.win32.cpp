#include "launcher/HostMachine.h"

#include <windows.h>

namespace launcher {

namespace {

constexpr USHORT kImageMachineArm64 = 0xAA64;
using IsWow64Process2Function = BOOL(WINAPI*)(HANDLE, USHORT*, USHORT*);

} // namespace

HostMachine hostMachine() {
    HostMachine host;
    // Windows 10 1709 and later; the launcher also runs where it is missing,
    // and there the computer is no ARM64 one that runs x64 programs.
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    auto query = kernel ? reinterpret_cast<IsWow64Process2Function>(
                              reinterpret_cast<void (*)()>(GetProcAddress(kernel, "IsWow64Process2")))
                        : nullptr;
    USHORT process = 0, native = 0;
    if (query && query(GetCurrentProcess(), &process, &native)) host.arm64 = native == kImageMachineArm64;
    return host;
}

} // namespace launcher
