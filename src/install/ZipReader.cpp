#include "install/ZipReader.h"

#include "base/Text.h"
#include "install/Inflater.h"

#include <algorithm>
#include <optional>

namespace launcher {

namespace {

constexpr uint32_t kEndSignature = 0x06054b50;
constexpr uint32_t kZip64LocatorSignature = 0x07064b50;
constexpr uint32_t kCentralSignature = 0x02014b50;
constexpr uint32_t kLocalSignature = 0x04034b50;
constexpr size_t kEndRecordLength = 22;
constexpr size_t kCentralHeaderLength = 46;
constexpr size_t kLocalHeaderLength = 30;
constexpr size_t kMaxCommentLength = 0xFFFF;
constexpr size_t kZipChunk = 64 * 1024;
constexpr uint16_t kFlagEncrypted = 1;
constexpr uint16_t kMethodStored = 0;
constexpr uint16_t kMethodDeflated = 8;
constexpr uint8_t kMadeByUnix = 3;
constexpr uint32_t kUnixTypeMask = 0170000;
constexpr uint32_t kUnixFolder = 0040000;
constexpr uint32_t kUnixFile = 0100000;
constexpr uint32_t kUnixLink = 0120000;
constexpr uint32_t kDosFolder = 0x10;

uint16_t le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
uint32_t le32(const uint8_t* p) { return uint32_t{le16(p)} | uint32_t{le16(p + 2)} << 16; }

constexpr const char16_t* kZip64Refused = u"The archive uses the Zip64 format, which is not supported.";

EntryKind kindOfZipEntry(const std::string& name, uint8_t madeBy, uint32_t external, uint32_t& mode) {
    mode = 0;
    const bool slash = !name.empty() && name.back() == '/';
    if (madeBy == kMadeByUnix && (external >> 16) != 0) {
        const uint32_t unixMode = external >> 16;
        mode = unixMode & 07777;
        switch (unixMode & kUnixTypeMask) {
        case kUnixLink: return EntryKind::SymbolicLink;
        case kUnixFolder: return EntryKind::Folder;
        case kUnixFile: return slash ? EntryKind::Folder : EntryKind::File;
        case 0: break;
        default: return EntryKind::Other;
        }
    }
    return slash || (external & kDosFolder) ? EntryKind::Folder : EntryKind::File;
}

} // namespace

ZipReader::ZipReader(ByteSource& source) : source_(source) {}

bool ZipReader::open() {
    if (!findEndRecord()) return false;
    cursor_ = directoryOffset_;
    return true;
}

bool ZipReader::findEndRecord() {
    const uint64_t size = source_.size();
    if (size < kEndRecordLength) return fail(u"The archive is not a zip archive: it is too short.");
    // The end record is followed only by the archive's comment, at most
    // 65535 bytes: search that tail backwards for its signature.
    const size_t tailLength = static_cast<size_t>(std::min<uint64_t>(size, kEndRecordLength + kMaxCommentLength));
    std::vector<uint8_t> tail(tailLength);
    const uint64_t tailStart = size - tailLength;
    if (!source_.read(tailStart, tail)) return fail(u"The archive could not be read.");
    // The record whose comment reaches exactly to the end wins over one
    // that a comment merely contains; failing that, the last one found
    // (some tools append bytes after the archive).
    std::optional<size_t> found;
    for (size_t at = tailLength - kEndRecordLength + 1; at-- > 0;) {
        const uint8_t* end = tail.data() + at;
        if (le32(end) != kEndSignature || at + kEndRecordLength + le16(end + 20) > tailLength) continue;
        if (!found) found = at;
        if (at + kEndRecordLength + le16(end + 20) == tailLength) {
            found = at;
            break;
        }
    }
    if (found) {
        const size_t at = *found;
        const uint8_t* end = tail.data() + at;
        if (at >= 20 && le32(end - 20) == kZip64LocatorSignature) return fail(kZip64Refused);
        const uint16_t entries = le16(end + 10);
        const uint32_t directorySize = le32(end + 12);
        const uint32_t directoryOffset = le32(end + 16);
        if (entries == 0xFFFF || directorySize == 0xFFFFFFFF || directoryOffset == 0xFFFFFFFF) {
            return fail(kZip64Refused);
        }
        if (le16(end + 4) != 0 || le16(end + 6) != 0 || le16(end + 8) != entries) {
            return fail(u"The archive is split into several parts, which is not supported.");
        }
        const uint64_t endOffset = tailStart + at;
        if (uint64_t{directoryOffset} + directorySize > endOffset) {
            return fail(u"The archive's directory lies outside the file: the archive is damaged or cut short.");
        }
        directoryOffset_ = directoryOffset;
        directoryEnd_ = uint64_t{directoryOffset} + directorySize;
        entryCount_ = entries;
        return true;
    }
    return fail(u"The archive is not a zip archive, or it is cut short: it has no end record.");
}

ArchiveReader::Step ZipReader::next(ArchiveEntry& entry) {
    current_.valid = false;
    const std::u16string damaged = u"The archive's directory is damaged or cut short.";
    // The end record's count has 16 bits, and archivers without Zip64 write
    // it modulo 65536: the directory's own size says where it ends, so that
    // no entry escapes the reader (or the limit on the number of entries).
    if (cursor_ == directoryEnd_) {
        if ((entriesRead_ & 0xFFFF) == entryCount_) return Step::End;
        fail(u"The archive's directory holds " + toDecimal(static_cast<long long>(entriesRead_)) +
             u" entries, which its end record does not count: the archive is damaged.");
        return Step::Failed;
    }
    uint8_t header[kCentralHeaderLength];
    if (directoryEnd_ - cursor_ < kCentralHeaderLength || !source_.read(cursor_, header) ||
        le32(header) != kCentralSignature) {
        fail(damaged);
        return Step::Failed;
    }
    const uint64_t nameLength = le16(header + 28);
    const uint64_t recordLength = kCentralHeaderLength + nameLength + le16(header + 30) + le16(header + 32);
    if (directoryEnd_ - cursor_ < recordLength) {
        fail(damaged);
        return Step::Failed;
    }
    current_.name.assign(nameLength, '\0');
    if (!source_.read(cursor_ + kCentralHeaderLength,
                      std::span(reinterpret_cast<uint8_t*>(current_.name.data()), nameLength))) {
        fail(damaged);
        return Step::Failed;
    }
    cursor_ += recordLength;
    ++entriesRead_;

    const uint16_t flags = le16(header + 8);
    current_.method = le16(header + 10);
    current_.crc = le32(header + 16);
    current_.packedSize = le32(header + 20);
    current_.size = le32(header + 24);
    current_.localOffset = le32(header + 42);
    if (current_.packedSize == 0xFFFFFFFF || current_.size == 0xFFFFFFFF || current_.localOffset == 0xFFFFFFFF) {
        fail(kZip64Refused);
        return Step::Failed;
    }
    const std::u16string quoted = quotedEntryName(current_.name);
    if (flags & kFlagEncrypted) {
        fail(u"The archive's entry " + quoted + u" is encrypted, which is not supported.");
        return Step::Failed;
    }
    if (current_.method != kMethodStored && current_.method != kMethodDeflated) {
        fail(u"The archive's entry " + quoted + u" is compressed with method " + toDecimal(current_.method) +
             u", which is not supported.");
        return Step::Failed;
    }
    entry.name = current_.name;
    entry.kind = kindOfZipEntry(current_.name, header[5], le32(header + 38), entry.mode);
    entry.size = current_.size;
    entry.linkTarget.clear();
    current_.valid = true;
    return Step::Entry;
}

bool ZipReader::readData(const ByteSink& sink) {
    if (!current_.valid) return fail(u"The archive has no entry to read.");
    current_.valid = false;
    const std::u16string quoted = quotedEntryName(current_.name);
    uint8_t local[kLocalHeaderLength];
    if (!source_.read(current_.localOffset, local) || le32(local) != kLocalSignature) {
        return fail(u"The archive's entry " + quoted + u" has no valid local header.");
    }
    const uint64_t start = current_.localOffset + kLocalHeaderLength + le16(local + 26) + le16(local + 28);
    // The data lies before the directory; nothing in a sound archive
    // overlaps it.
    if (start > directoryOffset_ || directoryOffset_ - start < current_.packedSize) {
        return fail(u"The archive's entry " + quoted + u" lies outside the archive's data: it is damaged or cut short.");
    }
    if (input_.empty()) {
        input_.resize(kZipChunk);
        output_.resize(kZipChunk);
    }
    uint32_t crc = crc32Of(0, {});
    const bool read = current_.method == kMethodStored ? readStored(start, sink, crc) : readDeflated(start, sink, crc);
    if (!read) return false;
    if (crc != current_.crc) return fail(u"The archive's entry " + quoted + u" fails its CRC-32 check: it is damaged.");
    return true;
}

bool ZipReader::readStored(uint64_t start, const ByteSink& sink, uint32_t& crc) {
    const std::u16string quoted = quotedEntryName(current_.name);
    if (current_.packedSize != current_.size) {
        return fail(u"The archive's entry " + quoted + u" is stored, yet its two sizes differ: it is damaged.");
    }
    for (uint64_t done = 0; done < current_.size;) {
        std::span<uint8_t> piece(input_.data(), static_cast<size_t>(std::min<uint64_t>(kZipChunk, current_.size - done)));
        if (!source_.read(start + done, piece)) return fail(u"The archive could not be read.");
        crc = crc32Of(crc, piece);
        if (!sink(piece)) return fail(u"The archive's entry " + quoted + u" could not be written.");
        done += piece.size();
    }
    return true;
}

bool ZipReader::readDeflated(uint64_t start, const ByteSink& sink, uint32_t& crc) {
    const std::u16string quoted = quotedEntryName(current_.name);
    Inflater inflater(Inflater::Wrapping::Raw);
    if (!inflater.ready()) return fail(u"The archive could not be unpacked: out of memory.");
    z_stream& stream = inflater.stream();
    uint64_t fed = 0;
    uint64_t produced = 0;
    for (;;) {
        if (inflater.pendingInput() == 0 && fed < current_.packedSize) {
            std::span<uint8_t> piece(input_.data(), static_cast<size_t>(std::min<uint64_t>(kZipChunk, current_.packedSize - fed)));
            if (!source_.read(start + fed, piece)) return fail(u"The archive could not be read.");
            inflater.supply(piece);
            fed += piece.size();
        }
        stream.next_out = output_.data();
        stream.avail_out = static_cast<uInt>(output_.size());
        const int status = inflater.inflate(Z_NO_FLUSH);
        const size_t made = output_.size() - stream.avail_out;
        // A zip bomb declares a small size and expands without end: stop at
        // the declared size instead of trusting the stream.
        if (made > current_.size - produced) {
            return fail(u"The archive's entry " + quoted + u" expands beyond the size it declares.");
        }
        produced += made;
        std::span<const uint8_t> out(output_.data(), made);
        crc = crc32Of(crc, out);
        if (made > 0 && !sink(out)) return fail(u"The archive's entry " + quoted + u" could not be written.");
        if (status == Z_STREAM_END) break;
        if (status == Z_BUF_ERROR && inflater.pendingInput() == 0 && fed == current_.packedSize) {
            return fail(u"The archive's entry " + quoted + u" ends early: the archive is damaged or cut short.");
        }
        if (status != Z_OK && status != Z_BUF_ERROR) {
            return fail(u"The archive's entry " + quoted + u" is damaged: its compressed data is not valid.");
        }
    }
    if (produced != current_.size) {
        return fail(u"The archive's entry " + quoted + u" expands to " + toDecimal(static_cast<long long>(produced)) +
                    u" bytes, not the " + toDecimal(static_cast<long long>(current_.size)) + u" it declares.");
    }
    return true;
}

} // namespace launcher
