#include "jre/RuntimeSelection.h"

#include <algorithm>
#include <iterator>

namespace launcher {

namespace {

constexpr RegistryRoot kClassicRoots[kClassicRootCount] = {
    {u"Software\\JavaSoft\\JDK\\", RuntimeKind::Jdk, RuntimeVendor::Sun, false},
    {u"Software\\JavaSoft\\JRE\\", RuntimeKind::Jre, RuntimeVendor::Sun, false},
    {u"Software\\JavaSoft\\Java Development Kit\\", RuntimeKind::Jdk, RuntimeVendor::Sun, true},
    {u"Software\\JavaSoft\\Java Runtime Environment\\", RuntimeKind::Jre, RuntimeVendor::Sun, false},
    {u"Software\\JRockit\\Java Runtime Environment\\", RuntimeKind::Jre, RuntimeVendor::JRockit, false},
    {u"Software\\JRockit\\Java Development Kit\\", RuntimeKind::Jdk, RuntimeVendor::JRockit, true},
    {u"Software\\IBM\\Java2 Runtime Environment\\", RuntimeKind::Jre, RuntimeVendor::Ibm, false},
};

// The OpenJDK distributions' installers. Most of them keep the classic keys
// off by default and register under their own names, one subkey per
// version, with the home in a key and value of their own choosing.
struct DistributionRoot {
    std::u16string_view key;
    RuntimeKind kind;
    RuntimeVendor vendor;
    std::u16string_view homeKey;
    std::u16string_view homeValue;
    KindRule kindRule;
    bool releaseRefines;
    RootViews machineViews;
    std::u16string_view otherHomeKey = {};
};

constexpr std::u16string_view kHotspotMsi = u"\\hotspot\\MSI";
constexpr std::u16string_view kHotspotExe = u"\\hotspot\\EXE";
constexpr std::u16string_view kOpenJ9Msi = u"\\openj9\\MSI";
constexpr RuntimeKind kJdk = RuntimeKind::Jdk;
constexpr RuntimeKind kJre = RuntimeKind::Jre;
constexpr RuntimeVendor kSun = RuntimeVendor::Sun;
constexpr RootViews kBoth = RootViews::Both;

// The MSI and EXE installers of the Adoptium family name a subkey after the
// installer's version (8.0.392.8 for 1.8.0_392, 17.0.4.101 for 17.0.4.1+1),
// SapMachine after the full version with a patch part of its own; Zulu and
// Liberica by the major version alone.
constexpr DistributionRoot kDistributionRoots[] = {
    {u"SOFTWARE\\Eclipse Adoptium\\JDK\\", kJdk, kSun, kHotspotMsi, u"Path", KindRule::Root, true, kBoth, kHotspotExe},
    {u"SOFTWARE\\Eclipse Adoptium\\JRE\\", kJre, kSun, kHotspotMsi, u"Path", KindRule::Root, true, kBoth, kHotspotExe},
    {u"SOFTWARE\\Eclipse Foundation\\JDK\\", kJdk, kSun, kHotspotMsi, u"Path", KindRule::Root, true, kBoth, kHotspotExe},
    {u"SOFTWARE\\Eclipse Foundation\\JRE\\", kJre, kSun, kHotspotMsi, u"Path", KindRule::Root, true, kBoth, kHotspotExe},
    {u"SOFTWARE\\AdoptOpenJDK\\JDK\\", kJdk, kSun, kHotspotMsi, u"Path", KindRule::Root, true, kBoth, kHotspotExe},
    {u"SOFTWARE\\AdoptOpenJDK\\JRE\\", kJre, kSun, kHotspotMsi, u"Path", KindRule::Root, true, kBoth, kHotspotExe},
    // AdoptOpenJDK's OpenJ9 builds: an IBM virtual machine.
    {u"SOFTWARE\\AdoptOpenJDK\\JDK\\", kJdk, RuntimeVendor::Ibm, kOpenJ9Msi, u"Path", KindRule::Root, true, kBoth},
    {u"SOFTWARE\\AdoptOpenJDK\\JRE\\", kJre, RuntimeVendor::Ibm, kOpenJ9Msi, u"Path", KindRule::Root, true, kBoth},
    {u"SOFTWARE\\Microsoft\\JDK\\", kJdk, kSun, kHotspotMsi, u"Path", KindRule::Root, true, kBoth, kHotspotExe},
    {u"SOFTWARE\\Semeru\\JDK\\", kJdk, RuntimeVendor::Ibm, kOpenJ9Msi, u"Path", KindRule::Root, true, kBoth},
    {u"SOFTWARE\\Semeru\\JRE\\", kJre, RuntimeVendor::Ibm, kOpenJ9Msi, u"Path", KindRule::Root, true, kBoth},
    {u"SOFTWARE\\Azul Systems\\Zulu\\", kJdk, kSun, {}, u"InstallationPath", KindRule::JreSuffix, true, kBoth},
    {u"SOFTWARE\\Azul Systems\\Zulu 32-bit\\", kJdk, kSun, {}, u"InstallationPath", KindRule::JreSuffix, true,
     RootViews::Wow32Only},
    {u"SOFTWARE\\BellSoft\\Liberica\\", kJdk, kSun, {}, u"InstallationPath", KindRule::Prefix, true, kBoth},
    {u"SOFTWARE\\SapMachine\\JDK\\", kJdk, kSun, {}, u"JavaHome", KindRule::Root, true, kBoth},
    {u"SOFTWARE\\SapMachine\\JRE\\", kJre, kSun, {}, u"JavaHome", KindRule::Root, true, kBoth},
};

constexpr size_t kDistributionRootCount = std::size(kDistributionRoots);

// The user hive is shared by both registry views: a runtime registered
// there is met in both passes, and its library's width decides which one
// takes it.
RegistryRoot inHive(const DistributionRoot& d, Hive hive) {
    return {d.key, d.kind, d.vendor, false, hive, d.machineViews, d.homeKey, d.homeValue, d.kindRule, d.releaseRefines,
            d.otherHomeKey};
}

const std::vector<RegistryRoot>& allRoots() {
    static const std::vector<RegistryRoot> roots = [] {
        std::vector<RegistryRoot> list(std::begin(kClassicRoots), std::end(kClassicRoots));
        for (Hive hive : {Hive::Machine, Hive::User}) {
            for (const DistributionRoot& d : kDistributionRoots) list.push_back(inHive(d, hive));
        }
        return list;
    }();
    return roots;
}

bool startsWithIgnoreCase(std::u16string_view text, std::u16string_view prefix) {
    return text.size() >= prefix.size() && equalsIgnoreCase(text.substr(0, prefix.size()), prefix);
}

bool endsWithIgnoreCase(std::u16string_view text, std::u16string_view suffix) {
    return text.size() >= suffix.size() && equalsIgnoreCase(text.substr(text.size() - suffix.size()), suffix);
}

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

size_t registryRootCount() { return kClassicRootCount + 2 * kDistributionRootCount; }

const RegistryRoot& registryRoot(size_t index) { return allRoots()[index]; }

bool isRootSearched(const RegistryRoot& root, const RuntimeCriteria& c) {
    bool kindSearched = root.kindRule == KindRule::Root ? kindFlag(root.kind, c) : c.jdkKind || c.jreKind;
    return (c.favourKinds || kindSearched) &&
           (vendorSearched(root.vendor, c.vendors) || vendorPreferred(root.vendor, c.vendors));
}

bool isRootInView(const RegistryRoot& root, bool wow32View) {
    switch (root.views) {
    case RootViews::Both: return true;
    case RootViews::Wow32Only: return wow32View;
    }
    return false;
}

RuntimeKind subkeyKind(const RegistryRoot& root, std::u16string_view name) {
    switch (root.kindRule) {
    case KindRule::Root: return root.kind;
    case KindRule::JreSuffix: return endsWithIgnoreCase(name, u"-jre") ? RuntimeKind::Jre : RuntimeKind::Jdk;
    case KindRule::Prefix: return startsWithIgnoreCase(name, u"jre") ? RuntimeKind::Jre : RuntimeKind::Jdk;
    }
    return root.kind;
}

bool isRuntimeSearched(RuntimeKind kind, RuntimeVendor vendor, const RuntimeCriteria& c) {
    return (c.favourKinds || kindFlag(kind, c)) && (vendorSearched(vendor, c.vendors) || vendorPreferred(vendor, c.vendors));
}

bool isRuntimePreferred(RuntimeKind kind, RuntimeVendor vendor, const RuntimeCriteria& c) {
    return kindFlag(kind, c) && vendorPreferred(vendor, c.vendors);
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
