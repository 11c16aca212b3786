#pragma once
// The opt-in class-data cache: the runtime records the classes an
// application loads on its first start into an archive in the user's cache
// folder and maps that archive on later starts. The decisions are pure
// functions; prepareStartupCache applies them to the files through a
// CacheFiles implementation (the platform's, or a stand-in in tests).
// The cache's parts have headers of their own: the plan and its options,
// the files' names, the check of a file's header, the file-system steps.

#include "base/Text.h"
#include "vmopts/CacheFileHeader.h"
#include "vmopts/CacheFileNames.h"
#include "vmopts/CacheFiles.h"
#include "vmopts/StartupCachePlan.h"

#include <cstdint>

namespace launcher {

inline constexpr std::u16string_view kStartupCacheKey = u"Startup Cache";

// The home of a runtime library: two folders up from
// "bin/<flavour>/jvm.dll" or "lib/<flavour>/libjvm.so".
std::u16string runtimeHomeOfLibrary(std::u16string_view jvmPath);

// An archive of a large application runs to tens of megabytes; a volume
// with less room than this is treated as full, because a runtime that
// cannot finish writing its archive ends the program with an error.
inline constexpr uint64_t kCacheRoomNeeded = 256ull * 1024 * 1024;

struct CacheRequest {
    std::u16string productName;
    std::u16string productCode;
    std::u16string executablePath;
    std::u16string jvmPath;
    int32_t featureRelease = 0;
    std::u16string classPath;  // as the runtime gets it, separated by the list separator
    TextList applicationOptions; // the application's own options, expanded
};

struct CacheDecision {
    CachePlan plan = CachePlan::Off;
    std::u16string archive; // the archive's path as the runtime gets it
    std::u16string reason;  // for the trace
    // The ahead-of-time plans' files (as the runtime gets them): the path
    // of all of them without extension, and where this start records the
    // configuration before it is renamed into place.
    std::u16string aotStem;
    std::u16string recording;
};

// The options of the decision (see startupCacheOptions in StartupCachePlan.h).
TextList startupCacheOptions(const CacheDecision& decision, int32_t featureRelease);

// Looks at the archive, removes one that is stale (older than the runtime
// library or a class path entry) or not an archive at all, and decides.
CacheDecision decideStartupCache(const CacheRequest& request, CacheFiles& files);

} // namespace launcher
