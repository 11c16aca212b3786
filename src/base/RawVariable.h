#pragma once
// A variable's value as the environment holds it, whatever its name. Only
// for the table's accessor (VariableTable.h), %NAME% expansion and tests:
// the launcher reads a variable by name through readVariable, so that an
// elevated start follows the table for every variable it reads.

#include "base/Text.h"

#include <optional>

namespace launcher {

// The variable's value, however long; nothing when it is not set.
std::optional<std::u16string> getEnvironmentVariable(std::u16string_view name);

} // namespace launcher
