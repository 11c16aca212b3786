#pragma once
// The names of the start-up cache's files: one stem per executable, runtime
// and class path, an extension per kind of file, and the temporary names the
// files are written under before they are renamed into place.

#include "base/Text.h"

#include <cstdint>
#include <optional>

namespace launcher {

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

// The parts of the names that the check of an assembly's files reads too.
inline constexpr std::u16string_view kTemporaryEnd = u".tmp";
// The stem's "-" and hash digits after the executable's name, then one of
// the extensions: the length of the stem, or 0 when name is no such file.
size_t stemLength(std::u16string_view name, std::u16string_view executableName);
// "<pid>.tmp" as a process id; nothing for anything else.
std::optional<uint32_t> temporaryWriter(std::u16string_view text);

} // namespace launcher
