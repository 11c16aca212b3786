#pragma once
// Prepares the process environment for the chosen runtime and the
// application; the changes reach the processes the launcher starts.

#include "base/Text.h"

namespace launcher {

struct EnvironmentInputs {
    std::u16string_view jvmPath;     // the chosen runtime library
    std::u16string_view libraryPath; // the "Library Path" setting
    std::u16string_view systemPath;  // the "System Path" setting
    std::u16string_view modulePath;  // the launcher's executable; may be empty
};

// Sets QX_JVM_PATH to the runtime library and QX_JVM_HOME to the runtime
// folder.
void setRuntimeVariables(std::u16string_view jvmPath);

// Sets the runtime variables, composes the native library path (settings
// may refer to the variables just set and to the search path as it was),
// then sets the new search path. Returns the library path; empty means the
// virtual machine keeps its own. A variable that cannot be set is skipped.
std::u16string prepareProcessEnvironment(const EnvironmentInputs& inputs);

} // namespace launcher
