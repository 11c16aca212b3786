#include "launcher/UserEnvironment.h"

#include "base/Environment.h"
#include "base/Trace.h"
#include "base/TrustedExpansion.h"
#include "base/VariableTable.h"

namespace launcher {

const UserSourcePolicy& settleUserSources() {
    const UserSourcePolicy& policy = processUserSourcePolicy();
    if (!policy.reason.empty()) leaveOutUserVariables(policy.reason);
    return policy;
}

void leaveOutUserEnvironment(const UserSourcePolicy& policy) {
    if (!policy.userVariables) {
        std::vector<TrustedVariable> variables = readSystemVariables();
        if (trace::on()) {
            trace::say({u"user sources: %NAME% references in the settings are expanded only from the machine's, the "
                        u"system's and the launcher's own variables (",
                        toDecimal(static_cast<long long>(variables.size())), u" read): ", policy.reason});
        }
        expandOnlyTrustedVariables(std::move(variables));
    }
    if (policy.runtimeOptionVariables) return;
    for (std::u16string_view name : runtimeOptionVariables()) {
        const std::optional<std::u16string> value = readVariable(name).value;
        // Also from the C runtime's copy, which may hold what the system's
        // block no longer does.
        unsetEnvironmentVariable(name);
        if (value && trace::on()) {
            trace::say({u"user sources: ", name, u" is removed from the environment (it held \"", *value, u"\"): ",
                        policy.reason});
        }
    }
}

} // namespace launcher
