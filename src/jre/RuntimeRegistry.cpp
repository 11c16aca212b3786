#include "jre/RuntimeRegistry.h"
#include "base/Platform.h"

#include <algorithm>

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

namespace {

// A subkey whose name passed the bounds, before anything else is read.
struct NamedRuntime {
    JreCandidate ranking; // version and preference; home and server flag not yet known
    size_t root;
    std::u16string name;
    std::optional<std::optional<std::u16string>> home; // resolved once, on demand
};

// The home of a subkey, when its "JavaHome" names a folder with a library.
const std::optional<std::u16string>& resolve(NamedRuntime& entry, RuntimeRegistry& registry,
                                             const RuntimeCriteria& criteria, LibraryProbe probe) {
    if (!entry.home) {
        entry.home.emplace();
        std::optional<std::u16string> javaHome = registry.javaHome(entry.root, entry.name);
        if (javaHome && !javaHome->empty()) {
            std::u16string home = candidateHome(registryRoot(entry.root), *javaHome);
            if (!probe(home, probeType(entry.root, criteria.jvmType)).path.empty()) *entry.home = std::move(home);
        }
    }
    return *entry.home;
}

} // namespace

std::optional<std::u16string> runRegistryPass(RuntimeRegistry& registry, const RuntimeCriteria& criteria,
                                              LibraryProbe probe) {
    // Under "favor_server" the ranking needs every runtime's library flavour.
    if (criteria.jvmType == JvmTypeCode::FavorServer) {
        return selectRuntimeHome(collectCandidates(registry, criteria, probe), criteria);
    }
    // Otherwise names alone rank the runtimes, and a runtime's registry
    // value and files are read only when the choice reaches it: the result
    // is the one the full candidate list gives, without reading every
    // installation on the machine.
    std::vector<NamedRuntime> named;
    for (size_t r = 0; r < kRegistryRootCount; ++r) {
        const RegistryRoot& root = registryRoot(r);
        if (!isRootSearched(root, criteria)) continue;
        for (std::u16string& name : registry.subkeyNames(r)) {
            VersionNumber version = parseVersion(name, kVersionFillLow).version;
            if (!isWithinBounds(version, criteria.minimumVersion, criteria.maximumVersion)) continue;
            named.push_back({{version, {}, false, isRootPreferred(root, criteria)}, r, std::move(name), {}});
        }
    }
    std::vector<size_t> order(named.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](size_t b, size_t a) {
        return ranksBefore(named[b].ranking, named[a].ranking, criteria);
    });
    auto firstValid = [&](auto&& accept) -> std::optional<std::u16string> {
        for (size_t i : order) {
            NamedRuntime& entry = named[i];
            if (accept(entry.ranking.version) && resolve(entry, registry, criteria, probe)) return *entry.home.value();
        }
        return std::nullopt;
    };
    for (const std::u16string& preferred : criteria.preferredVersions) {
        VersionNumber wanted = parseVersion(preferred, kVersionFillLow).version;
        if (auto home = firstValid([&](const VersionNumber& v) { return matchesPreferredVersion(v, wanted); })) return home;
    }
    return firstValid([](const VersionNumber&) { return true; });
}

} // namespace launcher
