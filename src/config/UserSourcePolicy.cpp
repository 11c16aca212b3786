#include "config/UserSourcePolicy.h"

namespace launcher {

UserSourcePolicy userSourcePolicy(const ElevationFacts& facts) {
    UserSourcePolicy policy;
    if (facts.known && !(facts.elevated && facts.unelevatedTwin)) return policy;
    // The system account, a service account or an administrator without
    // User Account Control has no unelevated twin: its sources are as
    // well guarded as the process. Unknown rights are treated as the worst.
    policy.readUserIni = false;
    policy.searchUserRuntimes = false;
    policy.useStartupCache = false;
    policy.rememberChoice = false;
    policy.runtimeOptionVariables = false;
    policy.userVariables = false;
    policy.traceToFile = false;
    policy.reason = facts.known ? u"the process runs elevated, as administrator"
                                : u"the process's elevation cannot be read";
    return policy;
}

const UserSourcePolicy& processUserSourcePolicy() {
    static const UserSourcePolicy policy = userSourcePolicy(readElevationFacts());
    return policy;
}

} // namespace launcher
