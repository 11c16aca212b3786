#include "vmopts/AheadOfTimeCache.h"

#include "base/PathText.h"

namespace launcher {

CacheKind startupCacheKind(const CacheKindFacts& facts) {
    if (facts.featureRelease < 13) return CacheKind::None;
    if (facts.featureRelease < kFirstAotCacheRelease || !facts.hotSpot || facts.folderOnClassPath) return CacheKind::Archive;
    return CacheKind::AheadOfTime;
}

bool isHotSpotLibrary(std::u16string_view jvmPath) {
    const std::u16string flavour = fileNameOf(folderOf(jvmPath));
    return equalsIgnoreCase(flavour, u"server") || equalsIgnoreCase(flavour, u"client");
}

std::optional<CachePlan> planAotCache(const AotFacts& facts) {
    if (facts.cache) return CachePlan::AotUse;
    if (facts.failed) return std::nullopt;
    // Assembling writes as much as recording: without room, neither.
    if (!facts.writable) return CachePlan::Off;
    // A configuration without a cache: its assembly runs or was cut short.
    // This start does not record again; it runs as without the cache and
    // starts an assembly when it ends, which gives way to a running one.
    return facts.configuration ? CachePlan::AotAssemble : CachePlan::AotRecord;
}

bool holdsWholeFile(CacheFiles& files, const std::u16string& path, uint32_t magic) {
    const std::optional<CacheFiles::FileFacts> facts = files.fileFacts(path);
    if (!facts) return false;
    const std::optional<std::string> head = files.readHead(path, kArchiveHeadSize);
    return head && looksLikeWholeCacheFile(*head, facts->size, magic);
}

bool placeRecordedConfiguration(CacheFiles& files, const std::u16string& recording, const AotFiles& aot) {
    // Another start that recorded beside this one may have had its cache
    // assembled meanwhile: this configuration would then stay unused.
    if (!holdsWholeFile(files, aot.cache, kAotCacheMagic) && holdsWholeFile(files, recording, kAotConfigurationMagic) &&
        files.renameFile(recording, aot.configuration)) {
        return true;
    }
    files.removeFile(recording);
    return false;
}

} // namespace launcher
