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

struct RegistryRoot {
    std::u16string_view key; // under HKEY_LOCAL_MACHINE
    RuntimeKind kind;
    RuntimeVendor vendor;
    // The development kit roots name the kit; its runtime is in "jre".
    bool runtimeInJreFolder;
};

inline constexpr size_t kRegistryRootCount = 7;
const RegistryRoot& registryRoot(size_t index);

bool isRootSearched(const RegistryRoot& root, const RuntimeCriteria& criteria);
bool isRootPreferred(const RegistryRoot& root, const RuntimeCriteria& criteria);

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
