#pragma once
// What the runtime is asked to do with the start-up cache, and the options
// that ask it.

#include "base/Text.h"

#include <cstdint>

namespace launcher {

// The first release whose runtime records an archive at exit.
inline constexpr int32_t kFirstRecordingRelease = 13;

// What the runtime is asked to do with the archive.
enum class CachePlan {
    Off,        // nothing: the start goes on as without the cache
    Map,        // map the archive, never write it
    Record,     // record the archive when the program ends (13 to 18)
    AutoCreate, // map it, or record it when it is missing or unusable (19 on)
    // The ahead-of-time cache (25 on, see AheadOfTimeCache.h):
    AotUse,      // use the assembled cache
    AotRecord,   // record the configuration; assemble the cache after the end
    AotAssemble, // nothing for this start; assemble the recorded configuration after the end
};

// What is known about the archive file before the start.
struct CacheFacts {
    int32_t featureRelease = 0; // the runtime's major version; 0 unknown
    bool present = false;       // a usable archive is there
    bool writable = false;      // the folder takes a new archive
};

CachePlan planStartupCache(const CacheFacts& facts);

// The options for the plan, to come before the application's own options so
// that an application that asks for the runtime's class-data logging still
// gets it. Every plan but Off also silences the runtime's messages about the
// archive: a skipped class, a stale or foreign archive is the cache's
// business, never the user's.
// For the ahead-of-time plans, archive is the file of the plan: the cache
// to use or the configuration to record.
TextList startupCacheOptions(CachePlan plan, std::u16string_view archive, int32_t featureRelease);
// The options that silence the runtime's messages about its caches.
TextList cacheQuietOptions(int32_t featureRelease);

// True when one of the application's own options already manages class
// data sharing: the application's choice wins over the cache.
bool managesClassSharing(const TextList& options);

} // namespace launcher
