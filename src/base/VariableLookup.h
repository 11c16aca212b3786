#pragma once
// A variable read through the table (VariableTable.h) with nothing traced
// yet: readVariable traces what the table left unused on top of it, and the
// trace reads its own variable through it while it starts.

#include "base/VariableTable.h"

namespace launcher {

struct VariableLookup {
    VariableReading reading;
    VariableAction action = VariableAction::Use;
    std::u16string leftOutReason; // UseSystemValue: why the user's sources are left out
};

// What readVariable reads, by the same rules, without its trace lines.
VariableLookup lookUpVariable(std::u16string_view name);

// The lookup's part of readUserVariablesAgain: reads as any start again.
void lookUpUserVariablesAgain();

} // namespace launcher
