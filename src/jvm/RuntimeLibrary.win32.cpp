#include "jvm/RuntimeLibrary.h"
#include "base/Format.h"
#include "base/Messages.h"
#include "base/Wide.win32.h"

#include <windows.h>

namespace launcher {

namespace {

constexpr DWORD kRuntimeLibrarySearch =
    LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_USER_DIRS | LOAD_LIBRARY_SEARCH_SYSTEM32;

template <typename Function>
Function entryPoint(HMODULE library, const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

} // namespace

bool loadJvmLibrary(std::u16string_view jvmPath, const MessageOwner& owner, JvmEntryPoints& entries) {
    // The runtime's own DLLs live in its bin folder and beside the library;
    // the executable's folder is not searched, so a DLL planted there never
    // stands in for one of them.
    std::u16string folder = runtimeLibraryFolder(jvmPath);
    AddDllDirectory(wide(folder));
    std::u16string path(jvmPath);
    HMODULE library = LoadLibraryExW(wide(path), nullptr, kRuntimeLibrarySearch);
    if (!library) {
        long long error = static_cast<long long>(GetLastError());
        showError(owner.load(), formatMessage(loadMessage(MessageId::JvmLibraryLoadFailed), {path, error}));
        return false;
    }
    entries.createJavaVm = entryPoint<CreateJavaVmFunction>(library, "JNI_CreateJavaVM");
    if (entries.createJavaVm) {
        entries.getDefaultJavaVmInitArgs = entryPoint<GetDefaultJavaVmInitArgsFunction>(library, "JNI_GetDefaultJavaVMInitArgs");
    }
    if (entries.getDefaultJavaVmInitArgs) {
        entries.findClassFromBootLoader = entryPoint<FindClassFromBootLoaderFunction>(library, "JVM_FindClassFromBootLoader");
        // A 32-bit runtime exports its JVM_ entries only under their
        // decorated __stdcall names (two pointer arguments: "@8").
        if (!entries.findClassFromBootLoader && sizeof(void*) == 4) {
            entries.findClassFromBootLoader =
                entryPoint<FindClassFromBootLoaderFunction>(library, "_JVM_FindClassFromBootLoader@8");
        }
    }
    if (!entries.createJavaVm || !entries.getDefaultJavaVmInitArgs) {
        showError(owner.load(), windowsErrorText(MessageId::CreateJavaVmMissing, static_cast<long long>(GetLastError())));
        return false;
    }
    return true;
}

CreateJavaVmFunction loadCreateJavaVmQuietly(std::u16string_view jvmPath) {
    AddDllDirectory(wide(runtimeLibraryFolder(jvmPath)));
    const std::u16string path(jvmPath);
    HMODULE library = LoadLibraryExW(wide(path), nullptr, kRuntimeLibrarySearch);
    return library ? entryPoint<CreateJavaVmFunction>(library, "JNI_CreateJavaVM") : nullptr;
}

} // namespace launcher
