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
// The request a start hands to the background assembly, and the options
// that go along with it.
#include "vmopts/AssemblyOptions.h"
#include "vmopts/AssemblyRequest.h"

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

// True when the file at path is whole by its header and size.
bool holdsWholeFile(CacheFiles& files, const std::u16string& path, uint32_t magic);

// Renames the configuration a start recorded into place when it is whole
// and no whole cache is there yet, and removes it otherwise (a runtime that
// could not finish it, on a full disk or in a program that was killed,
// leaves it cut short); true when it is in place, to be assembled.
bool placeRecordedConfiguration(CacheFiles& files, const std::u16string& recording, const AotFiles& aot);

} // namespace launcher
