#include "jvm/RuntimeLibrary.h"
#include "base/Format.h"
#include "base/Messages.h"
#include "base/Text.h"

#include <cerrno>
#include <dlfcn.h>

namespace launcher {

bool loadJvmLibrary(std::u16string_view jvmPath, const MessageOwner& owner, JvmEntryPoints& entries) {
    // libjvm finds the runtime's other libraries through its own location.
    void* library = dlopen(toNarrow(jvmPath).c_str(), RTLD_NOW | RTLD_GLOBAL);
    if (!library) {
        // The loader's own reason names the path and what went wrong.
        const char* reason = dlerror();
        std::u16string what = reason ? fromNarrow(reason) : std::u16string(jvmPath);
        showError(owner.load(), formatMessage(loadMessage(MessageId::JvmLibraryLoadFailed), {what, static_cast<long long>(errno)}));
        return false;
    }
    entries.createJavaVm = reinterpret_cast<CreateJavaVmFunction>(dlsym(library, "JNI_CreateJavaVM"));
    if (entries.createJavaVm) {
        entries.getDefaultJavaVmInitArgs =
            reinterpret_cast<GetDefaultJavaVmInitArgsFunction>(dlsym(library, "JNI_GetDefaultJavaVMInitArgs"));
    }
    if (entries.getDefaultJavaVmInitArgs) {
        entries.findClassFromBootLoader =
            reinterpret_cast<FindClassFromBootLoaderFunction>(dlsym(library, "JVM_FindClassFromBootLoader"));
    }
    if (!entries.createJavaVm || !entries.getDefaultJavaVmInitArgs) {
        showError(owner.load(), windowsErrorText(MessageId::CreateJavaVmMissing, errno));
        return false;
    }
    return true;
}

CreateJavaVmFunction loadCreateJavaVmQuietly(std::u16string_view jvmPath) {
    void* library = dlopen(toNarrow(jvmPath).c_str(), RTLD_NOW | RTLD_GLOBAL);
    return library ? reinterpret_cast<CreateJavaVmFunction>(dlsym(library, "JNI_CreateJavaVM")) : nullptr;
}

} // namespace launcher
