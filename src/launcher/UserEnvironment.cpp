#include "launcher/UserEnvironment.h"

#include "base/Environment.h"
#include "base/Trace.h"
#include "launcher/CacheAssembly.h"

namespace launcher {

void leaveOutUserEnvironment(const UserSourcePolicy& policy) {
    if (policy.runtimeOptionVariables) return;
    for (std::u16string_view name : kRuntimeOptionVariables) {
        const std::optional<std::u16string> value = getEnvironmentVariable(name);
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
