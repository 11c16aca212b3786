#include "jre/RuntimeRegistry.h"
#include "base/Platform.h"

namespace launcher {

namespace {

constexpr size_t kJavaRuntimeEnvironmentRoot = 3;

std::u16string candidateHome(const RegistryRoot& root, std::u16string_view javaHome) {
    std::u16string home = withTrailingSeparator(javaHome);
    if (root.runtimeInJreFolder) {
        home.append(u"jre");
        home.push_back(kPathSeparator);
    }
    return home;
}

// Runtimes of that root are probed client first under "favor_server", so
// that they rank as what their default flavour is.
JvmTypeCode probeType(size_t root, JvmTypeCode type) {
    return root == kJavaRuntimeEnvironmentRoot && type == JvmTypeCode::FavorServer ? JvmTypeCode::Any : type;
}

} // namespace

std::vector<JreCandidate> collectCandidates(RuntimeRegistry& registry, const RuntimeCriteria& criteria,
                                            LibraryProbe probe) {
    std::vector<JreCandidate> candidates;
    for (size_t r = 0; r < kRegistryRootCount; ++r) {
        const RegistryRoot& root = registryRoot(r);
        if (!isRootSearched(root, criteria)) continue;
        for (const std::u16string& name : registry.subkeyNames(r)) {
            // The bounds test needs the name only: nothing is read for a
            // version that is out of range.
            VersionNumber version = parseVersion(name, kVersionFillLow).version;
            if (!isWithinBounds(version, criteria.minimumVersion, criteria.maximumVersion)) continue;
            std::optional<std::u16string> javaHome = registry.javaHome(r, name);
            if (!javaHome || javaHome->empty()) continue;
            std::u16string home = candidateHome(root, *javaHome);
            JvmLibrary library = probe(home, probeType(r, criteria.jvmType));
            if (library.path.empty()) continue;
            candidates.push_back({version, std::move(home), library.isServer, isRootPreferred(root, criteria)});
        }
    }
    return candidates;
}

std::optional<std::u16string> runRegistryPass(RuntimeRegistry& registry, const RuntimeCriteria& criteria,
                                              LibraryProbe probe) {
    return selectRuntimeHome(collectCandidates(registry, criteria, probe), criteria);
}

} // namespace launcher
