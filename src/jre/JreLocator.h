#pragma once
// The search for a Java runtime, in its fixed order: the configured folder,
// a runtime beside the launcher, the registered runtimes, JAVA_HOME.

#include "jre/RuntimeCriteria.h"
#include "jre/RuntimeRegistry.h"

#include <functional>

namespace launcher {

struct RuntimeChoice {
    std::u16string jvmPath; // empty: nothing found
    bool pairRelaunch = false;
};

struct RuntimeSearch {
    RuntimeCriteria criteria;
    std::u16string configuredFolder; // "JRE Path", absolute; may be empty
    std::u16string launcherFolder;   // ends in a separator; empty when unknown
    bool hasPair = false;            // a paired launcher is configured
    // The registered runtimes of a view; replaceable for tests.
    std::function<std::unique_ptr<RuntimeRegistry>(RegistryView)> openRegistry = &openRuntimeRegistry;
};

// Runs the search. The bitness test decides pairRelaunch for the configured
// folder and JAVA_HOME; a runtime found in the 32-bit registry view always
// relaunches; one beside the launcher never does.
RuntimeChoice locateRuntime(const RuntimeSearch& search);

// pairRelaunch for a chosen library: set only with a pair and a 32-bit image.
bool needsPairRelaunch(bool hasPair, std::u16string_view jvmPath);

} // namespace launcher
