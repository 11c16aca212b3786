// The accessor of VariableTable.h: the environment read through the table,
// and what the table leaves unused named in the trace.

#include "base/Trace.h"
#include "base/VariableLookup.h"
#include "base/VariableTable.h"

#include <algorithm>
#include <mutex>

namespace launcher {

namespace {

// Not only the main thread reads variables: the list of names is shared.
std::mutex tracedLock;

// Names whose ignoring the trace has told.
TextList& tracedNames() {
    static TextList traced;
    return traced;
}

// Once per name: a variable is read more than once in a start.
void traceOnce(std::u16string_view name, std::initializer_list<std::u16string_view> parts) {
    if (!trace::on()) return;
    const std::u16string text(name);
    {
        std::lock_guard guard(tracedLock);
        TextList& traced = tracedNames();
        if (std::find(traced.begin(), traced.end(), text) != traced.end()) return;
        traced.push_back(text);
    }
    trace::say(parts);
}

} // namespace

VariableReading readVariable(std::u16string_view name) {
    VariableLookup found = lookUpVariable(name);
    const VariableReading& reading = found.reading;
    switch (found.action) {
    case VariableAction::Use:
        break;
    case VariableAction::UseSystemValue:
        traceOnce(name, {u"environment: ", name, u" is taken from where Windows keeps it, not from the environment: ",
                         found.leftOutReason});
        break;
    case VariableAction::Ignore:
    case VariableAction::RefuseStart:
        if (reading.ignoredValue) {
            traceOnce(name,
                      {u"environment: ", name, u"=\"", *reading.ignoredValue, u"\" is ignored: ", reading.ignored});
        } else {
            traceOnce(name, {u"environment: ", name, u" is not read: ", reading.ignored});
        }
        break;
    }
    return std::move(found.reading);
}

void readUserVariablesAgain() {
    std::lock_guard guard(tracedLock);
    tracedNames().clear();
    lookUpUserVariablesAgain();
}

} // namespace launcher
