#include "launcher/RuntimeFeedHook.h"

#include "base/Platform.h"
#include "jre/Bitness.h"

namespace launcher {

namespace {
RuntimeFeedWorker worker_ = nullptr;
} // namespace

void setRuntimeFeedWorker(RuntimeFeedWorker worker) { worker_ = worker; }
RuntimeFeedWorker runtimeFeedWorker() { return worker_; }

std::u16string_view feedPlatform() {
    if (!kWindows) return kFeedPlatformLinuxX64;
    switch (kProcessWidth) {
    case LibraryWidth::X86: return kFeedPlatformWindowsX86;
    case LibraryWidth::Arm64: return u"windows-arm64";
    default: return kFeedPlatformWindowsX64;
    }
}

} // namespace launcher
