#include "jvm/RuntimeLibrary.h"
#include "base/Format.h"
#include "base/Messages.h"
#include "base/Wide.win32.h"

#include <windows.h>

namespace launcher {

namespace {

template <typename Function>
Function entryPoint(HMODULE library, const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

} // namespace

bool loadJvmLibrary(std::u16string_view jvmPath, const MessageOwner& owner, JvmEntryPoints& entries) {
    // The runtime's own DLLs live beside its bin folder's libraries.
    std::u16string folder = runtimeLibraryFolder(jvmPath);
    AddDllDirectory(wide(folder));
    std::u16string path(jvmPath);
    HMODULE library = LoadLibraryExW(wide(path), nullptr, LOAD_LIBRARY_SEARCH_DEFAULT_DIRS);
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

} // namespace launcher
