#pragma once
// %NAME% expansion in a start whose user sources are left out (an elevated
// start; a set-id start on Linux). Its environment is the unelevated
// user's to write: the user's own variables, or whatever the program that
// asked for the elevation put there. A setting such as "System Path" =
// "%TOOLS%\bin" would then let that user choose the folders the elevated
// process loads libraries from. Such a start expands a reference only from
// a variable the user cannot change, with the value read from where the
// system keeps it, never from the process environment.

#include "base/Text.h"

#include <optional>
#include <vector>

namespace launcher {

enum class VariableOrigin {
    Machine,   // the machine's variables (Windows: HKLM\SYSTEM\CurrentControlSet\Control\Session Manager\Environment)
    System,    // set by Windows itself for every process: the Windows and program folders, the computer's name
    Launcher,  // set by this launcher (QX_JVM_PATH, QX_JVM_HOME, the search path it composed)
    Inherited, // any other: from the parent process, the user's to set
};

struct TrustedVariable {
    std::u16string name;
    std::u16string value;
    VariableOrigin origin = VariableOrigin::Inherited;
};

// Whether such a start expands the variable of this name and origin. The
// system's variables are those of the documented list (see README.md).
bool mayExpandWhenElevated(std::u16string_view name, VariableOrigin origin);

// The machine's variables and those Windows sets itself, with their values
// as the registry and the system give them; none on Linux, where every
// variable came from the parent.
std::vector<TrustedVariable> readSystemVariables();

// From now on, expandEnvironment expands only from these variables and the
// ones the launcher sets itself; every other reference stays as written, and
// the trace names each once.
void expandOnlyTrustedVariables(std::vector<TrustedVariable> variables);
// Expands from the whole environment again (for tests).
void expandAllVariables();

// For the platform's expandEnvironment and setEnvironmentVariable.
bool expansionRestricted();
std::optional<std::u16string> lookupTrustedVariable(std::u16string_view name);
// A variable the launcher set (a value) or removed (none).
void noteLauncherVariable(std::u16string_view name, std::optional<std::u16string_view> value);

} // namespace launcher
