#pragma once
// The ahead-of-time cache of runtimes 25 and newer. Unlike the class-data
// archive it holds the classes already loaded and linked, and it comes
// about in two steps: a start of the application records a configuration
// when the program ends, and a separate run of the runtime assembles the
// cache from it. The assembly takes seconds and as much memory again as the
// application, so it runs after the application has ended, in a background
// process of the launcher's own executable with nothing on screen. Every
// file is written under a temporary name of its writer and renamed into
// place when whole, so that a start never maps a partial file.

#include "base/Text.h"
#include "vmopts/StartupCache.h"

#include <cstdint>
#include <optional>

namespace launcher {

inline constexpr int32_t kFirstAotCacheRelease = 25;
// The files' magic numbers, in the machine's byte order.
inline constexpr uint32_t kAotCacheMagic = 0xf00baba2;
inline constexpr uint32_t kAotConfigurationMagic = 0xcafea07c;

// A configuration the runtime could not assemble is tried again after this
// long: the full disk or the lack of memory that made it fail may be gone.
inline constexpr int64_t kFailedAssemblyRetrySeconds = 7 * 24 * 3600;

enum class CacheKind { None, Archive, AheadOfTime };

struct CacheKindFacts {
    int32_t featureRelease = 0; // 0: unknown
    bool hotSpot = false;       // the library is HotSpot's (server or client)
    bool folderOnClassPath = false; // a class path entry is a folder with entries
};

// Runtimes 13 to 24 get the archive; 25 and newer the ahead-of-time cache,
// unless a folder with entries is on the class path (the runtime refuses to
// record such a class path and ends the program) or the runtime is not
// HotSpot (OpenJ9 has its own sharing): those keep the archive's rules.
CacheKind startupCacheKind(const CacheKindFacts& facts);

// True when the runtime library lies in one of HotSpot's flavour folders.
bool isHotSpotLibrary(std::u16string_view jvmPath);

// What is known about the ahead-of-time files before the start.
struct AotFacts {
    bool cache = false;         // a whole, current cache is there
    bool configuration = false; // a whole, current configuration is there
    bool failed = false;        // assembling this configuration failed before
    bool writable = false;      // the folder takes new files
};

// AotUse, AotRecord, AotAssemble or Off; nothing when the archive's rules
// apply instead (the runtime could not assemble a cache for this class path).
std::optional<CachePlan> planAotCache(const AotFacts& facts);

// The files that share a stem (see startupCacheStem), by extension.
struct AotFiles {
    std::u16string cache;         // the assembled cache
    std::u16string configuration; // the recorded configuration
    std::u16string failed;        // marks a configuration the runtime could not assemble
    std::u16string lock;          // held by the one assembly of the stem that runs
    bool operator==(const AotFiles&) const = default;
};
AotFiles aotFilesOf(std::u16string_view pathStem);

// The name a process writes a file under before it renames it into place.
std::u16string temporaryNameOf(std::u16string_view path, uint32_t processId);

// True when the file at path is whole by its header and size.
bool holdsWholeFile(CacheFiles& files, const std::u16string& path, uint32_t magic);

// Renames the configuration a start recorded into place when it is whole
// and no whole cache is there yet, and removes it otherwise (a runtime that
// could not finish it, on a full disk or in a program that was killed,
// leaves it cut short); true when it is in place, to be assembled.
bool placeRecordedConfiguration(CacheFiles& files, const std::u16string& recording, const AotFiles& aot);

// What becomes of an entry of the cache folder, seen from a start of the
// executable whose files start with currentStem.
struct EntryVerdict {
    enum What { Keep, Remove, RemoveUnlessWriterRuns } what = Keep;
    uint32_t writer = 0; // the process whose temporary file it is
};
// Files of this executable under another stem belong to a runtime or class
// path that is no longer used; temporary files stay while their writer
// runs. Anything else (another executable's files) is kept.
EntryVerdict judgeCacheEntry(std::u16string_view name, std::u16string_view executableName,
                             std::u16string_view currentStem);

// The request a start hands to the background assembly, through the
// environment variable kAssemblyVariable of the process it starts.
inline constexpr std::u16string_view kAssemblyVariable = u"QX_LAUNCHER_STARTUP_CACHE_ASSEMBLY";
struct AssemblyRequest {
    enum Step { Supervise, Assemble } step = Supervise;
    std::u16string jvmPath;
    std::u16string classPath;
    TextList options; // see assemblyRelevantOptions
    AotFiles files;
    std::u16string temporary; // Assemble: where the runtime writes the cache
    bool operator==(const AssemblyRequest&) const = default;
};
std::u16string encodeAssemblyRequest(const AssemblyRequest& request);
// Nothing for text that no start of this launcher wrote, and for a request
// with an option that assemblyRelevantOptions would not have handed on.
std::optional<AssemblyRequest> decodeAssemblyRequest(std::u16string_view text);

// True when the request's files are those of one stem of this executable's
// files (see startupCacheStem) in one of the cache folders or a folder below
// it, and an assembler's temporary file is named after the cache and a
// process id. The cache folders are the forms of the per-user cache folder
// that the assembling process finds for itself (on Windows also its short
// form, which the runtime may have been given). The runtime library and the
// class path cannot be checked so: they lie wherever the application's do.
bool assemblyFilesInCache(const AssemblyRequest& request, const TextList& cacheFolders, std::u16string_view executableName);

// The application's own options that the assembly needs as well: the
// runtime assembles a configuration only with the options that decide the
// layout of what it holds (collector, heap size, object headers, modules,
// preview features). The list names each option that goes along; every
// other (agents, logs, flight recordings, commands run on errors, options
// files) stays out.
TextList assemblyRelevantOptions(const TextList& applicationOptions);
bool isAssemblyOption(std::u16string_view option);

// The runtime options that assemble the cache (the Assemble step).
TextList aotAssemblyOptions(const AssemblyRequest& request);

} // namespace launcher
