#pragma once
// What an archive may hold before anything of it is written: a runtime is
// one top folder of plain files and folders whose names every system can
// hold, within sane limits. Each refusal names the entry.

#include "install/ArchiveReader.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace launcher {

struct ArchiveLimits {
    // The expanded size may be at most this many times the archive's...
    uint64_t maxRatio = 20;
    // ...and never more than this.
    uint64_t maxExpandedSize = uint64_t{2} << 30;
    uint64_t maxEntries = 100000;
};

// The parts of a stored name ("." parts dropped, a folder's last "/"
// allowed), or empty with a refusal in problem naming the entry: empty or
// absolute names, drive letters, "..", backslashes, names that are not
// UTF-8, and names Windows cannot hold (reserved characters, device names,
// a final dot or space).
std::vector<std::string> entryNameParts(std::string_view name, std::u16string& problem);

// Admits an archive's entries one at a time, in the archive's order.
class EntryGate {
public:
    explicit EntryGate(uint64_t archiveSize, ArchiveLimits limits = {});

    // The entry's path below the top folder (empty for the top folder
    // itself), or nothing with problem() saying why it is refused.
    std::optional<std::vector<std::string>> admit(const ArchiveEntry& entry);

    const std::u16string& problem() const { return problem_; }
    // The one top folder's name; empty until an entry has been admitted.
    const std::string& topFolder() const { return topFolder_; }

private:
    uint64_t expandedLimit_;
    uint64_t maxEntries_;
    uint64_t expanded_ = 0;
    uint64_t entries_ = 0;
    std::string topFolder_;
    std::u16string problem_;
};

} // namespace launcher
