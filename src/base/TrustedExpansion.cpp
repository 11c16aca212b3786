#include "base/TrustedExpansion.h"

#include "base/Environment.h"
#include "base/RawVariable.h"
#include "base/Trace.h"

#include <algorithm>

namespace launcher {

namespace {

// The variables Windows gives every process from its own settings rather
// than from the machine's or the user's environment keys (those that live
// in the machine's key, such as PROCESSOR_ARCHITECTURE, OS or
// NUMBER_OF_PROCESSORS, are the machine's). Anything else with their origin
// is not expanded.
constexpr std::u16string_view kSystemVariables[] = {
    u"SystemRoot",      u"windir",           u"SystemDrive",         u"ProgramFiles",
    u"ProgramFiles(x86)", u"ProgramW6432",   u"CommonProgramFiles",  u"CommonProgramFiles(x86)",
    u"CommonProgramW6432", u"ProgramData",   u"ALLUSERSPROFILE",     u"PUBLIC",
    u"COMPUTERNAME"};

struct TrustedState {
    bool restricted = false;
    std::vector<TrustedVariable> variables;
    TextList leftOut; // names already traced
};

TrustedState& trustedState() {
    static TrustedState state;
    return state;
}

} // namespace

bool mayExpandWhenElevated(std::u16string_view name, VariableOrigin origin) {
    switch (origin) {
    case VariableOrigin::Machine:
    case VariableOrigin::Launcher:
        return true;
    case VariableOrigin::System:
        return std::any_of(std::begin(kSystemVariables), std::end(kSystemVariables),
                           [&](std::u16string_view known) { return equalsIgnoreCase(name, known); });
    case VariableOrigin::Inherited:
        break;
    }
    return false;
}

void expandOnlyTrustedVariables(std::vector<TrustedVariable> variables) {
    TrustedState& state = trustedState();
    state.variables = std::move(variables);
    state.restricted = true;
}

void expandAllVariables() { trustedState() = TrustedState{}; }

bool expansionRestricted() { return trustedState().restricted; }

std::optional<std::u16string> lookupTrustedVariable(std::u16string_view name) {
    TrustedState& state = trustedState();
    // The last of a name wins: the machine's over the system's, the
    // launcher's over both, as in the environment itself.
    auto found = std::find_if(state.variables.rbegin(), state.variables.rend(),
                              [&](const TrustedVariable& v) { return equalsIgnoreCase(v.name, name); });
    if (found != state.variables.rend() && mayExpandWhenElevated(found->name, found->origin)) return found->value;
    const std::u16string text(name);
    // Only a reference the environment would have answered is news: one
    // that names no variable (a time-stamp picture such as %yyyy%) stays
    // as written in any start.
    if (std::find(state.leftOut.begin(), state.leftOut.end(), text) == state.leftOut.end() &&
        getEnvironmentVariable(name)) {
        state.leftOut.push_back(text);
        if (trace::on()) {
            trace::say({u"user sources: %", text, u"% is not expanded: only the machine's, the system's and the "
                                               u"launcher's own variables are"});
        }
    }
    return std::nullopt;
}

void noteLauncherVariable(std::u16string_view name, std::optional<std::u16string_view> value) {
    TrustedState& state = trustedState();
    if (!state.restricted) return;
    std::erase_if(state.variables, [&](const TrustedVariable& v) {
        return v.origin == VariableOrigin::Launcher && equalsIgnoreCase(v.name, name);
    });
    if (value) state.variables.push_back({std::u16string(name), std::u16string(*value), VariableOrigin::Launcher});
}

} // namespace launcher
