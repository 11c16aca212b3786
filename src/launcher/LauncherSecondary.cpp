#include "base/Trace.h"
#include "launcher/HandOverRetry.h"
#include "launcher/LaunchTrace.h"
#include "launcher/Launcher.h"

#include <chrono>
#include <thread>

// A later launch of a running application: it waits for the running
// start's answer, and when that start could not serve it (its runtime was
// already gone) it settles its role anew instead of ending as if served.

namespace launcher {

std::optional<int> Launcher::runSecondary() {
    using Clock = std::chrono::steady_clock;
    Clock::time_point firstRefusal;
    for (int tries = 1;; ++tries) {
        if (std::optional<int> answer = instance_.waitForPrimary()) {
            traceExit(*answer, u"the running start's answer");
            return answer;
        }
        if (tries == 1) firstRefusal = Clock::now();
        const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - firstRefusal);
        const std::optional<int> pause = handOverRetryPause(tries, static_cast<int>(elapsed.count()));
        if (!pause) {
            traceExit(kNotServedExitCode, u"the running start was ending and could not serve this launch, "
                                          u"and no new one took it in time");
            return kNotServedExitCode;
        }
        if (trace::on()) {
            trace::say({u"single instance: the running start was ending and could not serve this launch; "
                        u"settling the role again in ",
                        toDecimal(*pause), u" ms"});
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(*pause));
        // A hand-over that fails now fails as it does at the first try.
        if (!checkSingleInstance()) {
            traceExit(-1, u"the running start did not take the arguments");
            return -1;
        }
        if (instance_.role() != InstanceRole::Secondary) {
            // This launch runs the application itself: the rest of what
            // init prepares for a primary.
            if (preparePrimary()) return std::nullopt;
            return -1;
        }
    }
}

} // namespace launcher
