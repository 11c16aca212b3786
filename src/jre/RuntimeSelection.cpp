#include "jre/RuntimeSelection.h"

#include <algorithm>

namespace launcher {

namespace {

constexpr RegistryRoot kRoots[kRegistryRootCount] = {
    {u"Software\\JavaSoft\\JDK\\", RuntimeKind::Jdk, RuntimeVendor::Sun, false},
    {u"Software\\JavaSoft\\JRE\\", RuntimeKind::Jre, RuntimeVendor::Sun, false},
    {u"Software\\JavaSoft\\Java Development Kit\\", RuntimeKind::Jdk, RuntimeVendor::Sun, true},
    {u"Software\\JavaSoft\\Java Runtime Environment\\", RuntimeKind::Jre, RuntimeVendor::Sun, false},
    {u"Software\\JRockit\\Java Runtime Environment\\", RuntimeKind::Jre, RuntimeVendor::JRockit, false},
    {u"Software\\JRockit\\Java Development Kit\\", RuntimeKind::Jdk, RuntimeVendor::JRockit, true},
    {u"Software\\IBM\\Java2 Runtime Environment\\", RuntimeKind::Jre, RuntimeVendor::Ibm, false},
};

bool kindFlag(RuntimeKind kind, const RuntimeCriteria& c) {
    return kind == RuntimeKind::Jdk ? c.jdkKind : c.jreKind;
}

bool vendorSearched(RuntimeVendor vendor, const VendorFlags& v) {
    switch (vendor) {
    case RuntimeVendor::Sun: return v.sunSearched;
    case RuntimeVendor::JRockit: return v.jrockitSearched;
    case RuntimeVendor::Ibm: return v.ibmSearched;
    }
    return false;
}

bool vendorPreferred(RuntimeVendor vendor, const VendorFlags& v) {
    switch (vendor) {
    case RuntimeVendor::Sun: return v.sunPreferred;
    case RuntimeVendor::JRockit: return v.jrockitPreferred;
    case RuntimeVendor::Ibm: return v.ibmPreferred;
    }
    return false;
}

} // namespace

bool ranksBefore(const JreCandidate& b, const JreCandidate& a, const RuntimeCriteria& c) {
    if (c.favourKinds && a.isPreferred != b.isPreferred) return b.isPreferred;
    if (c.jvmType == JvmTypeCode::FavorServer && a.isServer != b.isServer) return b.isServer;
    return compareVersions(b.version, a.version) > 0;
}

const RegistryRoot& registryRoot(size_t index) { return kRoots[index]; }

bool isRootSearched(const RegistryRoot& root, const RuntimeCriteria& c) {
    return (c.favourKinds || kindFlag(root.kind, c)) &&
           (vendorSearched(root.vendor, c.vendors) || vendorPreferred(root.vendor, c.vendors));
}

bool isRootPreferred(const RegistryRoot& root, const RuntimeCriteria& c) {
    return kindFlag(root.kind, c) && vendorPreferred(root.vendor, c.vendors);
}

void rankCandidates(std::vector<JreCandidate>& candidates, const RuntimeCriteria& criteria) {
    // A stable sort: candidates that rank alike keep their discovery order
    // (root order, then enumeration order), as adjacent exchanges would.
    std::stable_sort(candidates.begin(), candidates.end(), [&](const JreCandidate& b, const JreCandidate& a) {
        return ranksBefore(b, a, criteria);
    });
}

std::optional<size_t> chooseCandidate(const std::vector<JreCandidate>& ranked, const TextList& preferredVersions) {
    if (ranked.empty()) return std::nullopt;
    for (const std::u16string& entry : preferredVersions) {
        VersionNumber wanted = parseVersion(entry, kVersionFillLow).version;
        for (size_t i = 0; i < ranked.size(); ++i) {
            if (matchesPreferredVersion(ranked[i].version, wanted)) return i;
        }
    }
    return 0;
}

std::optional<std::u16string> selectRuntimeHome(std::vector<JreCandidate> candidates, const RuntimeCriteria& criteria) {
    rankCandidates(candidates, criteria);
    std::optional<size_t> chosen = chooseCandidate(candidates, criteria.preferredVersions);
    if (!chosen) return std::nullopt;
    return candidates[*chosen].home;
}

} // namespace launcher
