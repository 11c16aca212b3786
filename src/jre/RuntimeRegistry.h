#pragma once
// The installed runtimes as installers registered them: on Windows the
// registry keys of the runtime vendors and the folders their installers
// fill, on Linux the runtime folders that distributions install into,
// presented as the same roots and subkeys.

#include "jre/Bitness.h"
#include "jre/JvmLibrary.h"
#include "jre/RuntimeFolders.h"
#include "jre/RuntimeSelection.h"

#include <memory>

namespace launcher {

enum class RegistryView { Native, Wow32 };

class RuntimeRegistry {
public:
    virtual ~RuntimeRegistry() = default;
    // Subkey names of a root in enumeration order; none when the root
    // cannot be opened.
    virtual TextList subkeyNames(size_t root) = 0;
    // The home value of root\name (below the root's home key); nothing when
    // the key cannot be opened or the value is missing or empty.
    virtual std::optional<std::u16string> javaHome(size_t root, std::u16string_view name) = 0;
    // Runtimes found in folders rather than under a root; they come after
    // every root in discovery order.
    virtual std::vector<FolderRuntime> folderRuntimes() { return {}; }
    // The width of the libraries the view's runtimes must have: the
    // process's own, or 32-bit in the 32-bit view.
    virtual LibraryWidth viewWidth() const { return kProcessWidth; }
    // Why the library at path cannot serve the view (not an image, cut
    // short, another machine or width); empty when it can. Its headers are
    // read, never the library loaded.
    virtual std::u16string libraryUnfit(std::u16string_view libraryPath) {
        return imageRejection(inspectLibrary(libraryPath), viewWidth());
    }
    // The JAVA_VERSION of the release file in home; empty when none.
    virtual std::u16string versionOfHome(std::u16string_view home) { return releaseVersion(home); }
};

// The registered runtimes of a view; without user sources, those of the
// user's own keys and folders are left out.
std::unique_ptr<RuntimeRegistry> openRuntimeRegistry(RegistryView view, bool includeUserSources = true);

// One registry pass: every subkey of the searched roots whose name lies
// within the bounds and whose home holds a library becomes a candidate, and
// so does every folder runtime of a searched kind and vendor whose home no
// candidate of the registry has; the candidates are ranked and one home
// chosen.
using LibraryProbe = JvmLibrary (*)(std::u16string_view home, JvmTypeCode type);
// Every candidate, in discovery order.
std::vector<JreCandidate> collectCandidates(RuntimeRegistry& registry, const RuntimeCriteria& criteria,
                                            LibraryProbe probe = &findJvmLibrary);
// The home that ranking and choosing the collected candidates gives, with
// values and files read only for the runtimes the choice reaches.
std::optional<std::u16string> runRegistryPass(RuntimeRegistry& registry, const RuntimeCriteria& criteria,
                                              LibraryProbe probe = &findJvmLibrary);
// The same choice with the chosen runtime's version as its key or its
// release file gave it.
std::optional<JreCandidate> chooseRegisteredRuntime(RuntimeRegistry& registry, const RuntimeCriteria& criteria,
                                                    LibraryProbe probe = &findJvmLibrary);

// The version range a subkey name gives: one version, or for a name of the
// major version alone under a root whose release file refines it, every
// version of that major.
struct NameVersions {
    VersionNumber lowest;
    VersionNumber highest;
    bool parsed = false; // the name held a version at all
};
NameVersions subkeyVersions(const RegistryRoot& root, std::u16string_view name);

} // namespace launcher
