#include "jre/RuntimeTrace.h"
#include "base/Platform.h"
#include "base/Trace.h"
#include "jre/JvmLibrary.h"

namespace launcher {

namespace {

bool vendorIsSearched(RuntimeVendor vendor, const VendorFlags& v) {
    switch (vendor) {
    case RuntimeVendor::Sun: return v.sunSearched || v.sunPreferred;
    case RuntimeVendor::JRockit: return v.jrockitSearched || v.jrockitPreferred;
    case RuntimeVendor::Ibm: return v.ibmSearched || v.ibmPreferred;
    }
    return false;
}

std::u16string searchedVendors(const VendorFlags& v) {
    std::u16string list;
    for (RuntimeVendor vendor : {RuntimeVendor::Sun, RuntimeVendor::JRockit, RuntimeVendor::Ibm}) {
        if (!vendorIsSearched(vendor, v)) continue;
        if (!list.empty()) list.append(u", ");
        list.append(vendorName(vendor));
    }
    return list.empty() ? u"none" : list;
}

// A maximum as its setting wrote it: the parts that the setting left out
// read as the highest value, and are left out again.
std::u16string maximumText(const VersionNumber& v) {
    std::u16string text;
    for (int32_t part : v.parts) {
        if (part == kVersionFillHigh) break;
        if (!text.empty()) text.push_back(u'.');
        text.append(toDecimal(part));
    }
    return text.empty() ? formatVersion(v) : text;
}

} // namespace

std::u16string_view kindName(RuntimeKind kind) {
    return kind == RuntimeKind::Jdk ? u"JDK" : u"JRE";
}

std::u16string_view vendorName(RuntimeVendor vendor) {
    switch (vendor) {
    case RuntimeVendor::Sun: return u"Oracle/OpenJDK";
    case RuntimeVendor::JRockit: return u"JRockit";
    case RuntimeVendor::Ibm: return u"IBM";
    }
    return u"unknown";
}

std::u16string searchRejection(RuntimeKind kind, RuntimeVendor vendor, const RuntimeCriteria& c) {
    const bool kindSearched = c.favourKinds || (kind == RuntimeKind::Jdk ? c.jdkKind : c.jreKind);
    if (!kindSearched) {
        if (!c.jdkKind && !c.jreKind) return u"\"JVM Source\" names no known kind, so no installed runtime is searched";
        std::u16string text = u"a ";
        text.append(kindName(kind));
        text.append(u", and \"JVM Source\" searches only ");
        text.append(kind == RuntimeKind::Jdk ? u"JREs" : u"JDKs");
        return text;
    }
    if (!vendorIsSearched(vendor, c.vendors)) {
        std::u16string text = u"vendor ";
        text.append(vendorName(vendor));
        text.append(u" is not searched (\"VM Provider\" searches: ");
        text.append(searchedVendors(c.vendors));
        text.push_back(u')');
        return text;
    }
    return {};
}

std::u16string boundsRejection(const VersionNumber& version, std::u16string_view text, const RuntimeCriteria& c) {
    std::u16string out = u"version ";
    out.append(text);
    if (compareVersions(version, c.minimumVersion) < 0) {
        out.append(u" is below \"Minimum Version\" ");
        out.append(formatVersion(c.minimumVersion));
        return out;
    }
    if (compareVersions(version, c.maximumVersion) > 0) {
        out.append(u" is above \"Maximum Version\" ");
        out.append(maximumText(c.maximumVersion));
        return out;
    }
    return {};
}

std::u16string libraryRejection(std::u16string_view home, JvmTypeCode type) {
    if (type == JvmTypeCode::Server) {
        std::u16string text = u"no server library (\"JVM Type\" is server): ";
        text.append(jvmLibraryPath(home, u"server"));
        text.append(u" is missing");
        return text;
    }
    std::u16string text = u"no runtime library of any flavour (";
    bool first = true;
    for (std::u16string_view flavour : jvmFlavoursFor(type)) {
        if (!first) text.append(u", ");
        first = false;
        text.append(flavour);
    }
    text.append(u") under ");
    text.append(home);
    return text;
}

std::u16string flavourOfLibrary(std::u16string_view libraryPath) {
    size_t file = libraryPath.rfind(kPathSeparator);
    if (file == std::u16string_view::npos || file == 0) return {};
    size_t folder = libraryPath.rfind(kPathSeparator, file - 1);
    size_t begin = folder == std::u16string_view::npos ? 0 : folder + 1;
    return std::u16string(libraryPath.substr(begin, file - begin));
}

std::u16string registrySource(const RegistryRoot& root, std::u16string_view name,
                              const std::optional<std::u16string>& home) {
    std::u16string text;
    if (kWindows) {
        text = root.hive == Hive::User ? u"HKCU\\" : u"HKLM\\";
        text.append(root.key);
        text.append(name);
        if (home) text.append(u" at ");
    }
    if (home) text.append(*home);
    if (text.empty()) text = u"runtime folder (its path is not recorded)";
    return text;
}

std::u16string runtimeTraceText(const TracedRuntime& r, std::u16string_view verdict) {
    std::u16string text = u"runtime ";
    text.append(r.source);
    text.append(u" (");
    text.append(kindName(r.kind));
    text.append(u", ");
    text.append(vendorName(r.vendor));
    text.append(u", version ");
    text.append(r.version.empty() ? u"unknown" : r.version);
    text.append(u"): ");
    text.append(verdict);
    return text;
}

void traceRuntime(const TracedRuntime& runtime, std::u16string_view verdict) {
    if (trace::on()) trace::line(runtimeTraceText(runtime, verdict));
}

} // namespace launcher
