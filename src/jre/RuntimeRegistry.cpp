#include "jre/RuntimeRegistry.h"
#include "jre/RegistryPass.h"

#include <algorithm>

// The versions a subkey's name allows, and the registry pass's entry points:
// every candidate, or the one chosen.

namespace launcher {

NameVersions subkeyVersions(const RegistryRoot& root, std::u16string_view name) {
    ParsedVersion low = parseVersion(name, kVersionFillLow);
    const VersionNumber& v = low.version;
    // A name in the old 1.x form is a Java version as it stands.
    if (!root.releaseRefinesVersion || !low.ok || (v.parts[0] == 1 && v.groupCount > 1)) {
        if (!root.releaseRefinesVersion || !low.ok) return {v, v, low.ok};
        return {v, parseVersion(name, kVersionFillHigh).version, true};
    }
    // The name's first three numbers are the version's feature, interim and
    // update parts (behind a leading 1 up to Java 8: 8.0.392 is 1.8.0_392);
    // what the name leaves out, and what follows them, ranges as far as a
    // Java version may.
    const int32_t known = std::min(v.groupCount, 3);
    auto part = [&](int32_t index, int32_t fill) { return index < known ? v.parts[index] : fill; };
    auto bound = [&](int32_t fill) {
        return v.parts[0] <= 8 ? makeVersion(1, v.parts[0], part(1, fill), part(2, fill), known + 1)
                               : makeVersion(v.parts[0], part(1, fill), part(2, fill), fill, known);
    };
    return {bound(kVersionFillLow), bound(kVersionFillHigh), true};
}

std::vector<JreCandidate> collectCandidates(RuntimeRegistry& registry, const RuntimeCriteria& criteria,
                                            LibraryProbe probe) {
    return registrypass::Pass(registry, criteria, probe).collect();
}

std::optional<JreCandidate> chooseRegisteredRuntime(RuntimeRegistry& registry, const RuntimeCriteria& criteria,
                                                    LibraryProbe probe) {
    registrypass::Pass pass(registry, criteria, probe);
    std::optional<JreCandidate> chosen = pass.choose();
    pass.traceUnchosen(chosen);
    return chosen;
}

std::optional<std::u16string> runRegistryPass(RuntimeRegistry& registry, const RuntimeCriteria& criteria,
                                              LibraryProbe probe) {
    std::optional<JreCandidate> chosen = chooseRegisteredRuntime(registry, criteria, probe);
    if (!chosen) return std::nullopt;
    return chosen->home;
}

} // namespace launcher
