#include "vmopts/StartupCachePlan.h"

#include <algorithm>

namespace launcher {

namespace {

// The first release that also re-creates an archive it cannot use.
constexpr int32_t kFirstAutoCreateRelease = 19;
// From this release on, part of the archive's messages carry the "aot" tag,
// which older runtimes refuse as an unknown tag.
constexpr int32_t kFirstAotTagRelease = 25;

} // namespace

CachePlan planStartupCache(const CacheFacts& facts) {
    if (facts.featureRelease < kFirstRecordingRelease) return CachePlan::Off;
    if (facts.featureRelease >= kFirstAutoCreateRelease) {
        // Re-creating means writing: without room the archive is only mapped.
        if (facts.writable) return CachePlan::AutoCreate;
        return facts.present ? CachePlan::Map : CachePlan::Off;
    }
    if (facts.present) return CachePlan::Map;
    return facts.writable ? CachePlan::Record : CachePlan::Off;
}

TextList cacheQuietOptions(int32_t featureRelease) {
    TextList options{u"-Xlog:cds*=off,class+path*=off"};
    if (featureRelease >= kFirstAotTagRelease) options.push_back(u"-Xlog:aot*=off");
    return options;
}

TextList startupCacheOptions(CachePlan plan, std::u16string_view archive, int32_t featureRelease) {
    if (plan == CachePlan::Off || plan == CachePlan::AotAssemble) return {};
    TextList options = cacheQuietOptions(featureRelease);
    const std::u16string file(archive);
    switch (plan) {
    case CachePlan::Map:
        options.push_back(u"-XX:SharedArchiveFile=" + file);
        break;
    case CachePlan::Record:
        options.push_back(u"-XX:ArchiveClassesAtExit=" + file);
        break;
    case CachePlan::AutoCreate:
        options.push_back(u"-XX:+AutoCreateSharedArchive");
        options.push_back(u"-XX:SharedArchiveFile=" + file);
        break;
    case CachePlan::AotUse:
        options.push_back(u"-XX:AOTCache=" + file);
        break;
    case CachePlan::AotRecord:
        options.push_back(u"-XX:AOTMode=record");
        options.push_back(u"-XX:AOTConfiguration=" + file);
        break;
    case CachePlan::Off:
    case CachePlan::AotAssemble:
        break;
    }
    return options;
}

bool managesClassSharing(const TextList& options) {
    static constexpr std::u16string_view kOwn[] = {u"-Xshare",          u"-XX:SharedArchiveFile", u"-XX:ArchiveClassesAtExit",
                                                   u"-XX:+AutoCreateSharedArchive", u"-XX:-AutoCreateSharedArchive",
                                                   u"-XX:AOT"};
    return std::any_of(options.begin(), options.end(), [](const std::u16string& option) {
        return std::any_of(std::begin(kOwn), std::end(kOwn), [&](std::u16string_view own) { return startsWith(option, own); });
    });
}

} // namespace launcher
