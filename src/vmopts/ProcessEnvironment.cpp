#include "vmopts/ProcessEnvironment.h"
#include "base/Environment.h"
#include "base/Platform.h"
#include "vmopts/LibraryPath.h"

namespace launcher {

void setRuntimeVariables(std::u16string_view jvmPath) {
    setEnvironmentVariable(u"QX_JVM_PATH", jvmPath);
    setEnvironmentVariable(u"QX_JVM_HOME", runtimeHomeOf(jvmPath));
}

std::u16string prepareProcessEnvironment(const EnvironmentInputs& inputs) {
    setRuntimeVariables(inputs.jvmPath);
    const ExpandText expand = expandEnvironmentCopy;
    std::u16string libraryPath =
        composeLibraryPath(inputs.libraryPath, launcherFolderOf(inputs.modulePath), inputs.jvmPath, expand);
    setEnvironmentVariable(kPathVariable, composeSearchPath(inputs.systemPath, inputs.jvmPath, expand));
    return libraryPath;
}

} // namespace launcher
