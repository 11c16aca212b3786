#include "launcher/RuntimeInstallHook.h"

#include "base/Trace.h"
#include "ui/RuntimePrompt.h"

namespace launcher {

namespace {
RuntimeInstaller installer_ = nullptr;
RuntimeInstallStep step_ = nullptr;
} // namespace

void setRuntimeInstaller(RuntimeInstaller installer) { installer_ = installer; }
void setRuntimeInstallStep(RuntimeInstallStep step) { step_ = step; }

PinnedInstallPlan planPinnedInstall(const PinnedInstallFacts& facts) {
    if (!facts.configured) return {};
    // A service has nobody to watch a download or to answer a question.
    if (facts.service) return {PinnedInstallRoute::None, u"a service installs no runtime"};
    // Its folder is the user's to write, so an elevated start would
    // neither install nor use it.
    if (!facts.refused.empty()) return {PinnedInstallRoute::None, facts.refused};
    if (facts.installer) return {PinnedInstallRoute::Automatic, {}};
    if (!facts.step) return {PinnedInstallRoute::None, u"this launcher does not install runtimes"};
    return {facts.automatic ? PinnedInstallRoute::Automatic : PinnedInstallRoute::Offered, {}};
}

PinnedInstallRoute pinnedInstallRoute(const RuntimeDownload& pin, const std::u16string& folder,
                                      const std::u16string& refused, bool service) {
    const PinnedInstallPlan plan = planPinnedInstall({.configured = pin.configured() && !folder.empty(),
                                                      .refused = refused,
                                                      .service = service,
                                                      .automatic = pin.automatic,
                                                      .installer = installer_ != nullptr,
                                                      .step = step_ != nullptr});
    if (!plan.why.empty() && trace::on()) trace::say({u"pinned runtime: not installed by this start: ", plan.why});
    return plan.route;
}

bool installPinnedRuntime(const RuntimeDownload& pin, const std::u16string& folder,
                          const std::u16string& productName) {
    if (trace::on()) trace::say({u"pinned runtime: installing ", pin.url, u" into ", folder});
    if (installer_) return installer_(pin, folder);
    return installWithProgress(pinnedInstallOffer(pin, folder, productName));
}

InstallOffer pinnedInstallOffer(const RuntimeDownload& pin, const std::u16string& folder,
                                const std::u16string& productName) {
    if (!step_) return {};
    const RuntimeInstallStep step = step_;
    return {productName, pin.size, [step, pin, folder](const InstallProgress& progress, const std::atomic<bool>& cancel) {
                return step(pin, folder, progress, cancel);
            }};
}

} // namespace launcher
