#include "install/TarReader.h"

#include "base/Text.h"

#include <algorithm>
#include <cstring>

namespace launcher {

namespace {

constexpr size_t kBlock = 512;
constexpr size_t kTarChunk = 64 * 1024;
// Long names and pax records are small; a larger one is damage, not a name.
constexpr uint64_t kMaxSpecialSize = 1024 * 1024;
// tar pads an archive to whole records (10 KB by default); more than this
// after the end marker is not padding.
constexpr uint64_t kMaxEndPadding = 1024 * 1024;

std::string fieldText(const uint8_t* field, size_t length) {
    const uint8_t* end = std::find(field, field + length, uint8_t{0});
    return std::string(reinterpret_cast<const char*>(field), static_cast<size_t>(end - field));
}

// A number field: octal digits (space or NUL ended), or base-256 when the
// first byte has its top bit set, as GNU tar writes sizes of 8 GB and more.
std::optional<uint64_t> fieldNumber(const uint8_t* field, size_t length) {
    uint64_t value = 0;
    if (field[0] & 0x80) {
        if (field[0] != 0x80) return std::nullopt; // negative, or beyond 64 bits
        for (size_t i = 1; i < length; ++i) {
            if (value >> 56) return std::nullopt;
            value = value << 8 | field[i];
        }
        return value;
    }
    size_t i = 0;
    while (i < length && field[i] == ' ') ++i;
    bool digits = false;
    for (; i < length && field[i] >= '0' && field[i] <= '7'; ++i) {
        if (value >> 61) return std::nullopt;
        value = value << 3 | static_cast<uint64_t>(field[i] - '0');
        digits = true;
    }
    if (i < length && field[i] != ' ' && field[i] != 0) return std::nullopt;
    return digits ? std::optional(value) : std::nullopt;
}

bool checksumMatches(const uint8_t* block) {
    std::optional<uint64_t> recorded = fieldNumber(block + 148, 8);
    if (!recorded) return false;
    uint64_t sum = 0;
    for (size_t i = 0; i < kBlock; ++i) sum += (i >= 148 && i < 156) ? uint8_t{' '} : block[i];
    return sum == *recorded;
}

EntryKind kindOfTarEntry(char type) {
    switch (type) {
    case '0': case '\0': case '7': return EntryKind::File;
    case '5': return EntryKind::Folder;
    case '2': return EntryKind::SymbolicLink;
    case '1': return EntryKind::HardLink;
    default: return EntryKind::Other;
    }
}

} // namespace

TarReader::TarReader(ByteSource& source) : stream_(source), buffer_(kTarChunk) {}

bool TarReader::readBlock(uint8_t* block) {
    long long got = stream_.read(std::span(block, kBlock));
    if (got < 0) return fail(stream_.error());
    if (got != static_cast<long long>(kBlock)) return fail(u"The archive ends early: it is damaged or cut short.");
    return true;
}

bool TarReader::skip(uint64_t count) {
    while (count > 0) {
        size_t piece = static_cast<size_t>(std::min<uint64_t>(count, buffer_.size()));
        long long got = stream_.read(std::span(buffer_.data(), piece));
        if (got < 0) return fail(stream_.error());
        if (got != static_cast<long long>(piece)) return fail(u"The archive ends early: it is damaged or cut short.");
        count -= piece;
    }
    return true;
}

// The gzip stream's CRC-32 and length are checked only at its very end,
// after the tar's own end marker and padding: read up to there, so that a
// damaged archive is not taken for a sound one.
bool TarReader::drainPadding() {
    for (uint64_t drained = 0; drained <= kMaxEndPadding;) {
        long long got = stream_.read(buffer_);
        if (got < 0) return fail(stream_.error());
        if (got < static_cast<long long>(buffer_.size())) return true;
        drained += static_cast<uint64_t>(got);
    }
    return fail(u"The archive holds more data after its end than a tar archive pads with.");
}

// The data of a long-name or pax entry, with its padding.
bool TarReader::readSpecial(uint64_t size, std::string& text) {
    if (size > kMaxSpecialSize) return fail(u"The archive holds an extended header too large to be sound.");
    text.assign(static_cast<size_t>(size), '\0');
    long long got = stream_.read(std::span(reinterpret_cast<uint8_t*>(text.data()), text.size()));
    if (got < 0) return fail(stream_.error());
    if (got != static_cast<long long>(size)) return fail(u"The archive ends early: it is damaged or cut short.");
    return skip((kBlock - size % kBlock) % kBlock);
}

// pax records: "<length> <key>=<value>\n", the length counting the whole
// record. Only the path and the size matter here.
bool TarReader::applyPax(const std::string& records, Pending& pending) {
    const std::u16string damaged = u"The archive holds a damaged extended header.";
    size_t at = 0;
    while (at < records.size()) {
        if (records[at] == '\0') break;
        size_t space = records.find(' ', at);
        if (space == std::string::npos || space == at || space - at > 12) return fail(damaged);
        uint64_t length = 0;
        for (size_t i = at; i < space; ++i) {
            if (records[i] < '0' || records[i] > '9') return fail(damaged);
            length = length * 10 + static_cast<uint64_t>(records[i] - '0');
        }
        if (length <= space - at + 1 || length > records.size() - at || records[at + length - 1] != '\n') {
            return fail(damaged);
        }
        const std::string record = records.substr(space + 1, at + length - 1 - (space + 1));
        const size_t equals = record.find('=');
        if (equals == std::string::npos) return fail(damaged);
        const std::string key = record.substr(0, equals);
        const std::string value = record.substr(equals + 1);
        if (key == "path") {
            pending.name = value;
        } else if (key == "linkpath") {
            pending.linkTarget = value;
        } else if (key == "size") {
            uint64_t size = 0;
            if (value.empty() || value.size() > 19) return fail(damaged);
            for (char c : value) {
                if (c < '0' || c > '9') return fail(damaged);
                size = size * 10 + static_cast<uint64_t>(c - '0');
            }
            pending.size = size;
        }
        at += length;
    }
    return true;
}

ArchiveReader::Step TarReader::next(ArchiveEntry& entry) {
    if (current_ && !skip(left_ + padding_)) return Step::Failed;
    current_ = false;
    Pending pending;
    uint8_t block[kBlock];
    for (;;) {
        if (!readBlock(block)) return Step::Failed;
        // The archive ends with blocks of zeros.
        if (std::all_of(block, block + kBlock, [](uint8_t b) { return b == 0; })) {
            return drainPadding() ? Step::End : Step::Failed;
        }
        if (!checksumMatches(block)) {
            fail(u"The archive is damaged: a tar header fails its checksum.");
            return Step::Failed;
        }
        std::optional<uint64_t> size = fieldNumber(block + 124, 12);
        if (!size) {
            fail(u"The archive is damaged: a tar header has no valid size.");
            return Step::Failed;
        }
        const char type = static_cast<char>(block[156]);
        std::string text;
        if (type == 'x' || type == 'g' || type == 'L' || type == 'K') {
            if (headerCheck_) {
                std::u16string stop = headerCheck_();
                if (!stop.empty()) {
                    fail(std::move(stop));
                    return Step::Failed;
                }
            }
            if (!readSpecial(*size, text)) return Step::Failed;
            // Global pax records change nothing that is kept.
            if (type == 'x' && !applyPax(text, pending)) return Step::Failed;
            const std::string longText = fieldText(reinterpret_cast<const uint8_t*>(text.data()), text.size());
            if (type == 'L') pending.name = longText;
            if (type == 'K') pending.linkTarget = longText;
            continue;
        }
        std::string name = fieldText(block, 100);
        // Only POSIX ustar ("ustar" and a NUL) keeps a prefix of the name
        // there; GNU tar's format ("ustar  ") keeps times in that place.
        if (std::memcmp(block + 257, "ustar\0", 6) == 0) {
            std::string prefix = fieldText(block + 345, 155);
            if (!prefix.empty()) name = prefix + "/" + name;
        }
        entry.name = pending.name.value_or(name);
        entry.kind = kindOfTarEntry(type);
        if (entry.kind == EntryKind::File && !entry.name.empty() && entry.name.back() == '/') {
            entry.kind = EntryKind::Folder;
        }
        entry.mode = static_cast<uint32_t>(fieldNumber(block + 100, 8).value_or(0) & 07777);
        const bool link = entry.kind == EntryKind::SymbolicLink || entry.kind == EntryKind::HardLink;
        entry.linkTarget = link ? pending.linkTarget.value_or(fieldText(block + 157, 100)) : std::string();
        // Links, folders and devices carry no data whatever the size says,
        // except in a pax size, which describes the data that follows.
        const uint64_t dataSize = pending.size.value_or(*size);
        const bool hasData = entry.kind == EntryKind::File || entry.kind == EntryKind::Other;
        entry.size = hasData ? dataSize : 0;
        name_ = entry.name;
        left_ = hasData ? dataSize : 0;
        padding_ = (kBlock - left_ % kBlock) % kBlock;
        current_ = true;
        return Step::Entry;
    }
}

bool TarReader::readData(const ByteSink& sink) {
    if (!current_) return fail(u"The archive has no entry to read.");
    while (left_ > 0) {
        size_t piece = static_cast<size_t>(std::min<uint64_t>(left_, buffer_.size()));
        long long got = stream_.read(std::span(buffer_.data(), piece));
        if (got < 0) return fail(stream_.error());
        if (got != static_cast<long long>(piece)) {
            return fail(u"The archive's entry " + quotedEntryName(name_) + u" ends early: the archive is cut short.");
        }
        left_ -= piece;
        if (!sink(std::span<const uint8_t>(buffer_.data(), piece))) {
            return fail(u"The archive's entry " + quotedEntryName(name_) + u" could not be written.");
        }
    }
    return true;
}

} // namespace launcher
