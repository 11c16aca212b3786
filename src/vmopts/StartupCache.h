#pragma once
// The opt-in class-data cache: the runtime records the classes an
// application loads on its first start into an archive in the user's cache
// folder and maps that archive on later starts. The decisions are pure
// functions; prepareStartupCache applies them to the files through a
// CacheFiles implementation (the platform's, or a stand-in in tests).

#include "base/Text.h"

#include <cstdint>
#include <optional>

namespace launcher {

inline constexpr std::u16string_view kStartupCacheKey = u"Startup Cache";

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

// The executable's file name without its extension: every cache file of
// the executable starts with it.
std::u16string executableNameOf(std::u16string_view executablePath);

// The archive's file name: the executable's name without its extension,
// then a short hash of the runtime library's path, its size and time (a
// runtime replaced in its folder is another runtime) and the class path,
// so that another runtime or class path never reuses an archive.
std::u16string startupCacheFileName(std::u16string_view executablePath, std::u16string_view jvmPath,
                                    std::u16string_view libraryStamp, std::u16string_view classPath);
// The same name without its extension: every file of one runtime and class
// path starts with it.
std::u16string startupCacheStem(std::u16string_view executablePath, std::u16string_view jvmPath,
                                std::u16string_view libraryStamp, std::u16string_view classPath);

// True when the file starts as the runtime's dynamic archives do and, for
// the header layouts known here, every region the header lists lies within
// the file. Anything else in the cache file's place would be read as a base
// archive, and the runtime would complain about it on the console; a cut
// archive would crash a runtime that maps it without checking.
bool looksLikeDynamicArchive(std::string_view head, uint64_t fileSize);
// The same check for another kind of file the runtime writes with the same
// header layout, told apart by its magic number.
bool looksLikeWholeCacheFile(std::string_view head, uint64_t fileSize, uint32_t magic);
inline constexpr size_t kArchiveHeadSize = 512;

// The home of a runtime library: two folders up from
// "bin/<flavour>/jvm.dll" or "lib/<flavour>/libjvm.so".
std::u16string runtimeHomeOfLibrary(std::u16string_view jvmPath);

// The file-system steps of the cache.
class CacheFiles {
public:
    virtual ~CacheFiles() = default;
    // The per-user cache folder (ends without a separator); empty when the
    // environment names none.
    virtual std::u16string userCacheFolder() = 0;
    // Creates the folder and the missing folders above it; true when it is
    // there afterwards.
    virtual bool makeFolders(std::u16string_view folder) = 0;
    // The path as the runtime can be given it (on Windows, the short form
    // where the ANSI code page lacks a character); nothing when no form
    // survives.
    virtual std::optional<std::u16string> narrowForm(std::u16string_view path) = 0;
    struct FileFacts {
        int64_t modified = 0; // in the platform's units
        uint64_t size = 0;
    };
    // Nothing when the file does not exist.
    virtual std::optional<FileFacts> fileFacts(std::u16string_view path) = 0;
    // Seconds from the file's last change to now; nothing when it does not
    // exist.
    virtual std::optional<int64_t> ageInSeconds(std::u16string_view path) = 0;
    // Up to count bytes from the file's start; nothing when unreadable.
    virtual std::optional<std::string> readHead(std::u16string_view path, size_t count) = 0;
    // Removes the file, read-only or not.
    virtual bool removeFile(std::u16string_view path) = 0;
    // True when a new file can be created in folder and the volume has at
    // least bytes free.
    virtual bool canWrite(std::u16string_view folder, uint64_t bytes) = 0;
    // The names of the folder's entries; empty when it cannot be read.
    virtual TextList folderEntries(std::u16string_view folder) = 0;
    // True when path is a folder that holds at least one entry.
    virtual bool isFolderWithEntries(std::u16string_view path) = 0;
    // Creates an empty file; false when it cannot or one is there.
    virtual bool createEmptyFile(std::u16string_view path) = 0;
    // Moves the file to its new name, replacing a file there.
    virtual bool renameFile(std::u16string_view from, std::u16string_view to) = 0;
    // This process's id, and whether a process of that id still runs.
    virtual uint32_t processId() = 0;
    virtual bool processRuns(uint32_t id) = 0;
};

// The platform's file system.
CacheFiles& platformCacheFiles();

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

// The options of the decision (see startupCacheOptions above).
TextList startupCacheOptions(const CacheDecision& decision, int32_t featureRelease);

// Looks at the archive, removes one that is stale (older than the runtime
// library or a class path entry) or not an archive at all, and decides.
CacheDecision decideStartupCache(const CacheRequest& request, CacheFiles& files);

} // namespace launcher
