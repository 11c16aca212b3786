#pragma once
// The runtime a benchmark runs its programs on: the one the launcher's own
// search takes on this machine, of any version, JDK or JRE.

#include "base/Text.h"
#include "jre/JreLocator.h"

#include <filesystem>

namespace bench {

// The runtime's home folder; empty when the machine has none.
inline std::filesystem::path machineRuntimeHome() {
    launcher::RuntimeSearch search;
    search.criteria.maximumVersion = launcher::makeVersion(65535, 65535, 65535, 65535);
    search.criteria.jdkKind = search.criteria.jreKind = true;
    const std::u16string library = launcher::locateRuntime(search).jvmPath;
    if (library.empty()) return {};
    return std::filesystem::path(launcher::toUtf8(library)).parent_path().parent_path().parent_path();
}

} // namespace bench
