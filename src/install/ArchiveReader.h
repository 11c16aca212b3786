#pragma once
// What the archive readers (zip, .tar.gz) have in common: entries come one
// at a time and each entry's data streams into a sink in pieces, so that no
// archive is ever held whole in memory.

#include <cstdint>
#include <functional>
#include <span>
#include <string>

namespace launcher {

enum class EntryKind { File, Folder, SymbolicLink, HardLink, Other };

struct ArchiveEntry {
    // The path as stored: "/"-separated, UTF-8. Not yet checked.
    std::string name;
    EntryKind kind = EntryKind::File;
    // Unix permission bits (07777); 0 when the archive records none.
    uint32_t mode = 0;
    // The expanded size the archive declares.
    uint64_t size = 0;
    // A tar link's target as stored; a zip link keeps its target as data.
    std::string linkTarget;
};

// Receives an entry's data piece by piece; returning false stops the read.
using ByteSink = std::function<bool(std::span<const uint8_t>)>;

// Asked before each header that only describes the entry after it (a tar's
// pax and GNU long-name headers): empty to go on, else why the read stops.
using HeaderCheck = std::function<std::u16string()>;

class ArchiveReader {
public:
    enum class Step { Entry, End, Failed };

    virtual ~ArchiveReader() = default;
    // The next entry's header. After Failed, error() says why.
    virtual Step next(ArchiveEntry& entry) = 0;
    // Streams the data of the entry next() gave last into sink, checked as
    // the format allows; false (with error()) when the data is damaged or
    // the sink refused it.
    virtual bool readData(const ByteSink& sink) = 0;

    const std::u16string& error() const { return error_; }
    void checkHeadersWith(HeaderCheck check) { headerCheck_ = std::move(check); }

protected:
    bool fail(std::u16string message) {
        error_ = std::move(message);
        return false;
    }

    std::u16string error_;
    HeaderCheck headerCheck_;
};

// An entry's name for a message: in quotes, as stored.
std::u16string quotedEntryName(const std::string& name);

} // namespace launcher
