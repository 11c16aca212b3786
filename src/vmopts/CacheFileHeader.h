#pragma once
// Whether a file in the cache's place is one the runtime wrote whole, told
// by its header and its size.

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace launcher {

// The magic number of the runtime's dynamic archives.
inline constexpr uint32_t kDynamicArchiveMagic = 0xf00baba8;

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

} // namespace launcher
