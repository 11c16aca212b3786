#include "launcher/RuntimeInstallHook.h"

#include "base/Trace.h"

namespace launcher {

namespace {
RuntimeInstaller installer_ = nullptr;
}

void setRuntimeInstaller(RuntimeInstaller installer) { installer_ = installer; }

bool installPinnedRuntime(const RuntimeDownload& pin, const std::u16string& folder, const std::u16string& refused) {
    if (!pin.configured() || folder.empty()) return false;
    if (!refused.empty()) {
        // Its folder is the user's to write, so an elevated start would
        // neither install nor use it.
        if (trace::on()) trace::say({u"pinned runtime: not installed by this start: ", refused});
        return false;
    }
    if (!installer_) {
        if (trace::on()) trace::line(u"pinned runtime: this launcher does not install runtimes");
        return false;
    }
    if (trace::on()) trace::say({u"pinned runtime: installing ", pin.url, u" into ", folder});
    return installer_(pin, folder);
}

} // namespace launcher
