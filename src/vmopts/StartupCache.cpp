#include "vmopts/StartupCache.h"
#include "vmopts/AheadOfTimeCache.h"
#include "vmopts/LibraryPath.h"

#include "base/PathText.h"
#include "base/Platform.h"
#include "config/ConfigPaths.h"

#include <algorithm>
#include <string>

namespace launcher {

namespace {

// A folder name from a setting: without the characters a folder name cannot
// hold, and never one that names the folder itself or its parent.
std::u16string safeFolderName(std::u16string_view setting) {
    std::u16string name = folderNameOfProduct(setting);
    if (std::all_of(name.begin(), name.end(), [](char16_t c) { return c == u'.' || c == u' '; })) return {};
    return name;
}

std::u16string cacheFolderOf(const CacheRequest& request, std::u16string_view base) {
    std::u16string folder(base);
    for (std::u16string_view setting : {std::u16string_view(request.productName), std::u16string_view(request.productCode)}) {
        std::u16string name = safeFolderName(setting);
        if (name.empty()) continue;
        folder.push_back(kPathSeparator);
        folder += name;
    }
    return folder;
}

// The newest of the files the archive was made from: the runtime library
// (its facts as already read) and the class path's entries. Files that are
// missing count for nothing.
std::optional<int64_t> newestInput(const CacheRequest& request, const std::optional<CacheFiles::FileFacts>& library,
                                   CacheFiles& files) {
    std::optional<int64_t> newest;
    if (library) newest = library->modified;
    for (const std::u16string& entry : splitString(request.classPath, std::u16string(1, kListSeparator))) {
        if (entry.empty()) continue;
        std::optional<CacheFiles::FileFacts> facts = files.fileFacts(entry);
        if (facts && (!newest || facts->modified > *newest)) newest = facts->modified;
    }
    return newest;
}

enum class ArchiveState { Missing, Usable, Removed, Stuck };

// Whether the cache file at path can be offered to the runtime. A file that
// does not start with magic (0: any content) or is older than what it was
// made from is removed, so that a new one can be made; one that cannot be
// removed could not be replaced by the runtime either, which would end the
// program.
ArchiveState checkCacheFile(const CacheRequest& request, const std::optional<CacheFiles::FileFacts>& library,
                            const std::u16string& path, uint32_t magic, CacheFiles& files, std::u16string& reason) {
    const std::optional<CacheFiles::FileFacts> facts = files.fileFacts(path);
    if (!facts) return ArchiveState::Missing;
    std::optional<std::string> head = magic == 0 ? std::string() : files.readHead(path, kArchiveHeadSize);
    const bool whole = head && (magic == 0 || looksLikeWholeCacheFile(*head, facts->size, magic));
    std::optional<int64_t> newest = whole ? newestInput(request, library, files) : std::nullopt;
    if (whole && !(newest && *newest > facts->modified)) return ArchiveState::Usable;
    reason = fileNameOf(path) + (whole ? u" is older than the runtime or the class path; " : u" is not whole; ");
    if (!files.removeFile(path)) {
        reason += u"it cannot be removed";
        return ArchiveState::Stuck;
    }
    reason += u"removed";
    return ArchiveState::Removed;
}

// Removes the executable's files of other runtimes and class paths, and
// temporary files whose writer has gone (an assembly or a start that was
// killed): the folder never grows without end.
void removeLeftovers(std::u16string_view folder, std::u16string_view executableName, std::u16string_view stem,
                     CacheFiles& files) {
    for (const std::u16string& name : files.folderEntries(folder)) {
        const EntryVerdict verdict = judgeCacheEntry(name, executableName, stem);
        if (verdict.what == EntryVerdict::Keep) continue;
        if (verdict.what == EntryVerdict::RemoveUnlessWriterRuns && files.processRuns(verdict.writer)) continue;
        files.removeFile(std::u16string(folder) + kPathSeparator + name);
    }
}

bool classPathHoldsFolder(const CacheRequest& request, CacheFiles& files) {
    const TextList entries = splitString(request.classPath, std::u16string(1, kListSeparator));
    return std::any_of(entries.begin(), entries.end(),
                       [&](const std::u16string& entry) { return !entry.empty() && files.isFolderWithEntries(entry); });
}

// Decides on the ahead-of-time cache whose files start with pathStem; false
// when the archive's rules apply instead.
bool decideAotCache(const CacheRequest& request, const std::optional<CacheFiles::FileFacts>& library,
                    const std::u16string& pathStem, bool writable, CacheFiles& files, CacheDecision& decision) {
    const AotFiles aot = aotFilesOf(pathStem);
    AotFacts facts;
    facts.writable = writable;
    const std::pair<const std::u16string*, uint32_t> checks[] = {
        {&aot.cache, kAotCacheMagic}, {&aot.configuration, kAotConfigurationMagic}, {&aot.failed, 0}};
    bool* found[] = {&facts.cache, &facts.configuration, &facts.failed};
    for (size_t i = 0; i < std::size(checks); ++i) {
        std::u16string why;
        const ArchiveState state = checkCacheFile(request, library, *checks[i].first, checks[i].second, files, why);
        if (!why.empty()) decision.reason += (decision.reason.empty() ? u"" : u"; ") + why;
        if (state == ArchiveState::Stuck) return true;
        *found[i] = state == ArchiveState::Usable;
    }
    if (facts.failed) {
        const std::optional<int64_t> age = files.ageInSeconds(aot.failed);
        if (age && *age > kFailedAssemblyRetrySeconds && files.removeFile(aot.failed)) facts.failed = false;
    }
    const std::optional<CachePlan> plan = planAotCache(facts);
    if (!plan) return false;
    decision.plan = *plan;
    decision.aotStem = pathStem;
    decision.archive = *plan == CachePlan::AotUse ? aot.cache : aot.configuration;
    decision.recording = temporaryNameOf(aot.configuration, files.processId());
    if (decision.plan == CachePlan::Off && decision.reason.empty()) decision.reason = u"the cache folder cannot be written";
    return true;
}

} // namespace

TextList startupCacheOptions(const CacheDecision& decision, int32_t featureRelease) {
    switch (decision.plan) {
    case CachePlan::AotUse:
        return startupCacheOptions(decision.plan, aotFilesOf(decision.aotStem).cache, featureRelease);
    case CachePlan::AotRecord:
        return startupCacheOptions(decision.plan, decision.recording, featureRelease);
    default:
        return startupCacheOptions(decision.plan, decision.archive, featureRelease);
    }
}

std::u16string runtimeHomeOfLibrary(std::u16string_view jvmPath) {
    std::u16string_view home = jvmPath;
    for (int level = 0; level < runtimeLibraryDepth(jvmPath); ++level) {
        const size_t cut = home.find_last_of(kWindows ? u"\\/" : u"/");
        if (cut == std::u16string_view::npos) return {};
        home = home.substr(0, cut);
    }
    return std::u16string(home) + kPathSeparator;
}

CacheDecision decideStartupCache(const CacheRequest& request, CacheFiles& files) {
    CacheDecision decision;
    if (request.featureRelease < kFirstRecordingRelease) {
        decision.reason = u"the runtime's version is unknown or older than 13";
        return decision;
    }
    if (managesClassSharing(request.applicationOptions)) {
        decision.reason = u"the application's own options manage class data sharing";
        return decision;
    }
    const std::u16string base = files.userCacheFolder();
    if (base.empty()) {
        decision.reason = u"there is no per-user cache folder";
        return decision;
    }
    const std::u16string folder = cacheFolderOf(request, base);
    if (!files.makeFolders(folder)) {
        decision.reason = u"the cache folder cannot be created: " + folder;
        return decision;
    }
    std::optional<std::u16string> narrowFolder = files.narrowForm(folder);
    // Read once: the name and the files' freshness both depend on it.
    const std::optional<CacheFiles::FileFacts> library = files.fileFacts(request.jvmPath);
    std::u16string stamp;
    if (library) stamp = fromUtf8(std::to_string(library->size) + " " + std::to_string(library->modified));
    const std::u16string stem = startupCacheStem(request.executablePath, request.jvmPath, stamp, request.classPath);
    std::optional<std::u16string> pathStem =
        narrowFolder ? files.narrowForm(*narrowFolder + kPathSeparator + stem) : std::nullopt;
    if (!pathStem) {
        decision.reason = u"the archive's path cannot be passed to the runtime: " + folder;
        return decision;
    }
    removeLeftovers(*narrowFolder, executableNameOf(request.executablePath), stem, files);
    const bool writable = files.canWrite(*narrowFolder, kCacheRoomNeeded);

    CacheKindFacts kind;
    kind.featureRelease = request.featureRelease;
    kind.hotSpot = isHotSpotLibrary(request.jvmPath);
    // Only where it matters: each entry is looked at once more.
    if (request.featureRelease >= kFirstAotCacheRelease && kind.hotSpot) {
        kind.folderOnClassPath = classPathHoldsFolder(request, files);
    }
    if (startupCacheKind(kind) == CacheKind::AheadOfTime &&
        decideAotCache(request, library, *pathStem, writable, files, decision)) {
        return decision;
    }

    const std::u16string path = *pathStem + u".jsa";
    CacheFacts facts;
    facts.featureRelease = request.featureRelease;
    const ArchiveState state = checkCacheFile(request, library, path, kDynamicArchiveMagic, files, decision.reason);
    if (state == ArchiveState::Stuck) return decision;
    facts.present = state == ArchiveState::Usable;
    facts.writable = writable;
    decision.plan = planStartupCache(facts);
    decision.archive = path;
    if (decision.plan == CachePlan::Off && decision.reason.empty()) decision.reason = u"the cache folder cannot be written";
    return decision;
}

} // namespace launcher
