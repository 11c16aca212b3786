#pragma once
// The parts of the process environment that an elevated start does not
// take from the user (see config/UserSourcePolicy.h): the environment of
// such a start is the unelevated user's to write, through the user's own
// variables or the program that asked for the elevation.

#include "config/UserSourcePolicy.h"

namespace launcher {

// This process's policy; from now on every variable is read by it (see
// base/VariableTable.h). The entry point calls it before anything else.
const UserSourcePolicy& settleUserSources();

// Removes the runtime's own option variables from the environment when the
// policy leaves them out, before any library of the runtime is loaded, and
// from then on expands settings only from the variables the user cannot
// change when it leaves the user's variables out; says so in the trace.
void leaveOutUserEnvironment(const UserSourcePolicy& policy);

} // namespace launcher
