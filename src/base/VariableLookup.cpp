// The table's rules for reading a variable, before anything is traced.

#include "base/VariableLookup.h"

#include "base/Platform.h"
#include "base/RawVariable.h"
#include "base/TrustedExpansion.h"

#include <algorithm>

namespace launcher {

namespace {

struct VariableReadState {
    bool leftOut = false;
    std::u16string reason; // why the user's sources are left out
};

VariableReadState& variableReadState() {
    static VariableReadState state;
    return state;
}

// Where Windows keeps the value, not the environment's: the last of the
// name, as in the environment itself.
std::optional<std::u16string> systemValueOf(std::u16string_view name) {
    const std::vector<TrustedVariable> variables = readSystemVariables();
    auto found = std::find_if(variables.rbegin(), variables.rend(), [&](const TrustedVariable& v) {
        return equalsIgnoreCase(v.name, name) && mayExpandWhenElevated(v.name, v.origin);
    });
    if (found == variables.rend()) return std::nullopt;
    return found->value;
}

} // namespace

VariableLookup lookUpVariable(std::u16string_view name) {
    VariableReadState& state = variableReadState();
    VariableLookup found;
    VariableReading& reading = found.reading;
    // A name the table lacks is not even looked at.
    const bool tabled = findVariableRule(name, kWindows) || findVariableRule(name, !kWindows);
    std::optional<std::u16string> value = tabled ? getEnvironmentVariable(name) : std::nullopt;
    reading.present = value.has_value();
    VariableDecision decision = decideVariable(name, value, kWindows, state.leftOut);
    found.action = decision.action;
    switch (decision.action) {
    case VariableAction::Use:
        reading.value = std::move(value);
        return found;
    case VariableAction::UseSystemValue:
        reading.value = systemValueOf(name);
        found.leftOutReason = state.reason;
        return found;
    case VariableAction::Ignore:
    case VariableAction::RefuseStart:
        break;
    }
    reading.ignored = decision.why;
    if (decision.leftOut) reading.ignored += u": " + state.reason;
    reading.refusesStart = decision.action == VariableAction::RefuseStart;
    reading.ignoredValue = std::move(value);
    return found;
}

void leaveOutUserVariables(std::u16string reason) {
    VariableReadState& state = variableReadState();
    state.leftOut = true;
    state.reason = std::move(reason);
}

void lookUpUserVariablesAgain() { variableReadState() = VariableReadState{}; }

} // namespace launcher
