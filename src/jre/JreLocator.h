#pragma once
// The search for a Java runtime, in its fixed order: the configured folder,
// the vendor's pinned runtime when the launcher installed it, a runtime
// beside the launcher, the registered runtimes, JAVA_HOME.

#include "jre/Bitness.h"
#include "jre/RuntimeCriteria.h"
#include "jre/RuntimeRegistry.h"

#include <functional>

namespace launcher {

struct RuntimeChoice {
    std::u16string jvmPath; // empty: nothing found
    bool pairRelaunch = false;
    // The configured folder holds a library too wide for this process: the
    // launch stops with a message naming jvmPath rather than trying others.
    bool tooWide = false;
    // The version the registry gave the runtime; no groups when the runtime
    // was found elsewhere.
    VersionNumber version;
};

struct RuntimeSearch {
    RuntimeCriteria criteria;
    std::u16string configuredFolder; // "JRE Path", absolute; may be empty
    // The folder the vendor's pinned runtime is installed in, ending in a
    // separator; empty when no runtime is pinned.
    std::u16string pinnedFolder;
    std::u16string launcherFolder;   // ends in a separator; empty when unknown
    bool hasPair = false;            // a paired launcher is configured
    LibraryWidth processWidth = kProcessWidth; // replaceable for tests
    // The registered runtimes of a view, with or without the user's own
    // sources; replaceable for tests.
    std::function<std::unique_ptr<RuntimeRegistry>(RegistryView, bool)> openRegistry = &openRuntimeRegistry;
};

// Runs the search. In a 64-bit process the bitness test decides
// pairRelaunch for the configured folder and JAVA_HOME; a runtime found in
// the 32-bit registry view always relaunches; one beside the launcher never
// does. A 32-bit process never relaunches (its registry view is already the
// 32-bit one) and passes over 64-bit libraries, except that a configured
// folder holding one ends the search with tooWide set. A library that is no
// image or is built for another machine is passed over, except in the
// configured folder, whose library's load then says what is wrong. The
// pinned runtime is taken only with a library of this process's own width,
// and only when the user's own sources count (the user can write its
// folder).
RuntimeChoice locateRuntime(const RuntimeSearch& search);

// pairRelaunch for a chosen library: set only in a 64-bit process with a pair
// and a 32-bit image. A 32-bit launcher's pair is the 64-bit one, which
// would hand a 32-bit runtime straight back: relaunching from here could
// only loop.
bool needsPairRelaunch(bool hasPair, std::u16string_view jvmPath, LibraryWidth processWidth = kProcessWidth);

} // namespace launcher
