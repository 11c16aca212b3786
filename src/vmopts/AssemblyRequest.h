#pragma once
// The request a start hands to the background assembly of the
// ahead-of-time cache (see AheadOfTimeCache.h), its text form, the check of
// its files and the runtime options that carry it out.

#include "base/Text.h"
#include "vmopts/CacheFileNames.h"

#include <optional>

namespace launcher {

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

// The runtime options that assemble the cache (the Assemble step).
TextList aotAssemblyOptions(const AssemblyRequest& request);

} // namespace launcher
