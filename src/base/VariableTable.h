#pragma once
// Every environment variable the launcher reads by name, and what a start
// that leaves the user's sources out (an elevated start; a set-id start on
// Linux) does with each. The environment of such a start is the unelevated
// user's to write (the user's own variables, or whatever the program that
// asked for the elevation set), so only what this table lets through may
// steer it. The launcher reads a variable by name only through readVariable,
// which refuses a name the table lacks: a new variable is added here first.
// (%NAME% references in the settings are expanded by the rules of
// TrustedExpansion.h, not read by name.)

#include "base/Text.h"

#include <optional>
#include <span>
#include <vector>

namespace launcher {

enum class VariablePlatform { Both, Windows, Linux };

// What a start that leaves the user's sources out does with the variable.
enum class LeftOutUse {
    Read,         // as in any start: the code that reads it checks its value itself
    Ignored,      // the user's own setting (a folder of the user's, JAVA_HOME): not read
    SystemValue,  // the value where Windows keeps it, never the environment's
    ListedValues, // only the rule's values; any other is ignored
    Flag,         // only the rule's values, in every start
    RefusesStart, // the process does nothing but end (exit code 5)
    Removed,      // read by the runtime, not the launcher: removed from the environment
};

struct VariableRule {
    std::u16string_view name;
    VariablePlatform platform;
    LeftOutUse leftOut;
    std::span<const std::u16string_view> values; // ListedValues, Flag
    std::u16string_view what;                    // what the launcher takes it for
};

// The whole table (for tests and the documentation).
std::span<const VariableRule> variableTable();
// The rule of a name on this platform (names compared as the platform
// does); null when the launcher does not read it here.
const VariableRule* findVariableRule(std::u16string_view name, bool windows);

// The variables removed from the environment of a start that leaves the
// user's sources out (and of every start-up cache assembly).
std::vector<std::u16string_view> runtimeOptionVariables();

enum class VariableAction { Use, UseSystemValue, Ignore, RefuseStart };
struct VariableDecision {
    VariableAction action = VariableAction::Use;
    std::u16string why;   // Ignore, RefuseStart: the reason
    bool leftOut = false; // decided so because the start leaves the user's sources out
};

// What the launcher does with the variable, set to value (or not set),
// when the start leaves the user's sources out or keeps them.
VariableDecision decideVariable(std::u16string_view name, const std::optional<std::u16string>& value, bool windows,
                                bool userSourcesLeftOut);

struct VariableReading {
    std::optional<std::u16string> value;       // what the launcher may use
    bool present = false;                      // the variable is set, used or not
    std::optional<std::u16string> ignoredValue; // a value set but not used
    std::u16string ignored;                     // and why: the trace has said so
    bool refusesStart = false;
};

// Reads the variable by the table: a name the table lacks is never read,
// and what the table ignores is named in the trace, once per name.
VariableReading readVariable(std::u16string_view name);

// From now on readVariable follows the table for a start that leaves the
// user's sources out, giving reason in its trace lines; called by the entry
// point before anything is read.
void leaveOutUserVariables(std::u16string reason);
// Reads as any start again (for tests).
void readUserVariablesAgain();

} // namespace launcher
