#pragma once
// Choosing among the installed runtimes: which registry roots are searched,
// how the runtimes found there are ranked, and which one is taken. Pure
// functions over the collected candidates.

#include "jre/RuntimeCriteria.h"

#include <optional>
#include <vector>

namespace launcher {

enum class RuntimeKind { Jdk, Jre };
enum class RuntimeVendor { Sun, JRockit, Ibm };

// How the kind of a runtime registered under a root is told.
enum class KindRule {
    Root,      // every runtime of the root has the root's kind
    JreSuffix, // JRE when the subkey name ends in "-jre", else JDK
    Prefix,    // from the subkey name's "jdk-" or "jre-" prefix
};

enum class Hive { Machine, User };
// The registry views a root is searched in.
enum class RootViews { Both, Wow32Only };

struct RegistryRoot {
    std::u16string_view key; // under the hive, ending in a separator
    RuntimeKind kind;
    RuntimeVendor vendor;
    // The development kit roots name the kit; its runtime is in "jre".
    bool runtimeInJreFolder;
    Hive hive = Hive::Machine;
    RootViews views = RootViews::Both;
    // Below the version subkey, the key that holds the home value; the
    // other one is read where the first is missing (the vendor's EXE
    // installer beside its MSI).
    std::u16string_view homeKey = {};
    std::u16string_view homeValue = u"JavaHome";
    KindRule kindRule = KindRule::Root;
    // The vendor's installers name a subkey by its major version only, or
    // by an installer version whose later parts are no Java version parts;
    // the runtime's release file then gives the full version.
    bool releaseRefinesVersion = false;
    std::u16string_view otherHomeKey = {};
};

// The roots in search order: the classic roots first, then the roots of
// the OpenJDK distributions in the machine hive, then the same in the
// user hive (one key for both registry views: the width of each runtime's
// library tells which launcher it is for).
inline constexpr size_t kClassicRootCount = 7;
size_t registryRootCount();
const RegistryRoot& registryRoot(size_t index);

bool isRootSearched(const RegistryRoot& root, const RuntimeCriteria& criteria);
bool isRootInView(const RegistryRoot& root, bool wow32View);

// The kind of the runtime registered under root as name.
RuntimeKind subkeyKind(const RegistryRoot& root, std::u16string_view name);
// Whether runtimes of that kind and vendor are searched, and preferred.
bool isRuntimeSearched(RuntimeKind kind, RuntimeVendor vendor, const RuntimeCriteria& criteria);
bool isRuntimePreferred(RuntimeKind kind, RuntimeVendor vendor, const RuntimeCriteria& criteria);

struct JreCandidate {
    VersionNumber version;
    std::u16string home; // ends in a separator
    bool isServer = false;
    bool isPreferred = false;
};

// Orders candidates: preferred ones first when kinds are favoured, server
// ones first under "favor_server", then the higher version; ties keep their
// discovery order.
void rankCandidates(std::vector<JreCandidate>& candidates, const RuntimeCriteria& criteria);
// True when b ranks ahead of a.
bool ranksBefore(const JreCandidate& b, const JreCandidate& a, const RuntimeCriteria& criteria);

// The ranked candidate that the first matching "Preferred versions" entry
// selects, else the top one; nothing without candidates.
std::optional<size_t> chooseCandidate(const std::vector<JreCandidate>& ranked, const TextList& preferredVersions);

// Ranks and chooses; the chosen home, or nothing.
std::optional<std::u16string> selectRuntimeHome(std::vector<JreCandidate> candidates, const RuntimeCriteria& criteria);

} // namespace launcher
