// The accessor of VariableTable.h: the environment read through the table.

#include "base/Platform.h"
#include "base/RawVariable.h"
#include "base/Trace.h"
#include "base/TrustedExpansion.h"
#include "base/VariableTable.h"

#include <algorithm>
#include <mutex>

namespace launcher {

namespace {

struct VariableReadState {
    bool leftOut = false;
    std::u16string reason; // why the user's sources are left out
    TextList traced; // names whose ignoring the trace has told
};

// Not only the main thread reads variables: the list of names is shared.
std::mutex tracedLock;

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

// Once per name: a variable is read more than once in a start.
void traceOnce(std::u16string_view name, std::initializer_list<std::u16string_view> parts) {
    if (!trace::on()) return;
    VariableReadState& state = variableReadState();
    const std::u16string text(name);
    {
        std::lock_guard guard(tracedLock);
        if (std::find(state.traced.begin(), state.traced.end(), text) != state.traced.end()) return;
        state.traced.push_back(text);
    }
    trace::say(parts);
}

} // namespace

VariableReading readVariable(std::u16string_view name) {
    VariableReadState& state = variableReadState();
    VariableReading reading;
    // A name the table lacks is not even looked at.
    const bool tabled = findVariableRule(name, kWindows) || findVariableRule(name, !kWindows);
    std::optional<std::u16string> value = tabled ? getEnvironmentVariable(name) : std::nullopt;
    reading.present = value.has_value();
    VariableDecision decision = decideVariable(name, value, kWindows, state.leftOut);
    switch (decision.action) {
    case VariableAction::Use:
        reading.value = std::move(value);
        return reading;
    case VariableAction::UseSystemValue:
        reading.value = systemValueOf(name);
        traceOnce(name, {u"environment: ", name, u" is taken from where Windows keeps it, not from the environment: ",
                         state.reason});
        return reading;
    case VariableAction::Ignore:
    case VariableAction::RefuseStart:
        break;
    }
    reading.ignored = decision.why;
    if (decision.leftOut) reading.ignored += u": " + state.reason;
    reading.refusesStart = decision.action == VariableAction::RefuseStart;
    if (value) {
        traceOnce(name, {u"environment: ", name, u"=\"", *value, u"\" is ignored: ", reading.ignored});
    } else {
        traceOnce(name, {u"environment: ", name, u" is not read: ", reading.ignored});
    }
    reading.ignoredValue = std::move(value);
    return reading;
}

void leaveOutUserVariables(std::u16string reason) {
    VariableReadState& state = variableReadState();
    state.leftOut = true;
    state.reason = std::move(reason);
}

void readUserVariablesAgain() {
    std::lock_guard guard(tracedLock);
    variableReadState() = VariableReadState{};
}

} // namespace launcher
