#pragma once
// What an archive may hold before anything of it is written: a runtime is
// one top folder of plain files and folders whose names every system can
// hold, within sane limits, and on Linux relative symbolic links that stay
// inside that folder (runtime images link their legal notices). Each
// refusal names the entry.

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

// Why a symbolic link at linkParts (below the top folder) pointing at
// target may not be made, or empty. The target must be relative, its ".."
// parts must all come first (so that no ".." is resolved through another
// link) and must not climb above the top folder from the link's own folder;
// the rest are names as entryNameParts takes them.
std::u16string linkTargetProblem(const std::vector<std::string>& linkParts, std::string_view target);

// Admits an archive's entries one at a time, in the archive's order.
class EntryGate {
public:
    // acceptLinks: symbolic links pass (their targets checked through
    // admitLinkTarget); without it, as on Windows, every link is refused.
    explicit EntryGate(uint64_t archiveSize, ArchiveLimits limits = {}, bool acceptLinks = false);

    // The entry's path below the top folder (empty for the top folder
    // itself), or nothing with problem() saying why it is refused.
    std::optional<std::vector<std::string>> admit(const ArchiveEntry& entry);

    // A header that describes the next entry (a tar's pax or GNU long-name
    // header) counts toward the entries; false with problem() past the limit.
    bool admitExtendedHeader();

    // The target of a symbolic link admit() passed at below; false with
    // problem() saying why it is refused.
    bool admitLinkTarget(const ArchiveEntry& entry, const std::vector<std::string>& below, std::string_view target);

    const std::u16string& problem() const { return problem_; }
    // The one top folder's name; empty until an entry has been admitted.
    const std::string& topFolder() const { return topFolder_; }

private:
    uint64_t expandedLimit_;
    uint64_t maxEntries_;
    bool acceptLinks_;
    uint64_t expanded_ = 0;
    uint64_t entries_ = 0;
    std::string topFolder_;
    std::u16string problem_;
};

} // namespace launcher
