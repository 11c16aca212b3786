#include "PeImage.h"

#include <algorithm>
#include <string>

namespace launcher::pack {

namespace {

constexpr uint16_t kPe32Magic = 0x10B;
constexpr uint16_t kPe32PlusMagic = 0x20B;
// The loader refuses more; a larger count is a forged header.
constexpr uint16_t kMaxSections = 96;

bool isPowerOfTwo(uint32_t value) { return value != 0 && (value & (value - 1)) == 0; }

// The file alignment the format allows: a power of two from 512 to 64 K.
// Sections are padded to it in memory, so a forged larger one would make
// every rewritten section that large.
constexpr uint32_t kMinFileAlignment = 512;
constexpr uint32_t kMaxFileAlignment = 64 * 1024;

void checkAlignments(const PeImage& image) {
    if (!isPowerOfTwo(image.fileAlignment) || image.fileAlignment < kMinFileAlignment ||
        image.fileAlignment > kMaxFileAlignment) {
        throw PackError("the file alignment " + std::to_string(image.fileAlignment) +
                        " is not a power of two from 512 to 65536");
    }
    if (!isPowerOfTwo(image.sectionAlignment) || image.sectionAlignment < image.fileAlignment) {
        throw PackError("the section alignment is not a power of two at least as large as the file alignment");
    }
}

void readSections(PeImage& image, const ByteView& view, uint16_t count) {
    if (count == 0 || count > kMaxSections) throw PackError("the section count is not sensible");
    view.need(image.sectionTableOffset, count * kSectionHeaderSize);
    for (uint16_t i = 0; i < count; ++i) {
        size_t at = image.sectionTableOffset + i * kSectionHeaderSize;
        PeSection section;
        for (size_t c = 0; c < 8 && image.file[at + c] != 0; ++c) section.name.push_back(static_cast<char>(image.file[at + c]));
        section.virtualSize = view.u32(at + 8);
        section.virtualAddress = view.u32(at + 12);
        section.rawSize = view.u32(at + 16);
        section.rawPointer = view.u32(at + 20);
        section.characteristics = view.u32(at + 36);
        if (section.rawSize != 0 && !view.fits(section.rawPointer, section.rawSize)) {
            throw PackError("section " + section.name + " points outside the file");
        }
        if (uint64_t{section.virtualAddress} + std::max(section.virtualSize, section.rawSize) > 0xFFFFFFFFu) {
            throw PackError("section " + section.name + " lies beyond the 4 GiB address space");
        }
        image.sections.push_back(section);
    }
}

} // namespace

DataDirectory PeImage::directory(int index) const {
    if (static_cast<uint32_t>(index) >= directoryCount) return {};
    ByteView view(file, "the data directory is cut short");
    return {view.u32(directoryOffset(index)), view.u32(directoryOffset(index) + 4)};
}

size_t PeImage::directoryOffset(int index) const {
    return optionalOffset + (pe32Plus ? 112 : 96) + static_cast<size_t>(index) * 8;
}

const PeSection* PeImage::sectionAt(uint32_t rva) const {
    for (const PeSection& section : sections) {
        uint32_t span = std::max(section.virtualSize, section.rawSize);
        if (rva >= section.virtualAddress && rva - section.virtualAddress < span) return &section;
    }
    return nullptr;
}

size_t PeImage::fileOffset(uint32_t rva, uint32_t size) const {
    const PeSection* section = sectionAt(rva);
    uint32_t inside = section ? rva - section->virtualAddress : 0;
    if (!section || inside > section->rawSize || size > section->rawSize - inside) {
        throw PackError("a resource points outside the file");
    }
    return size_t{section->rawPointer} + inside;
}

size_t PeImage::endOfSections() const {
    size_t end = sizeOfHeaders;
    for (const PeSection& section : sections) {
        if (section.rawSize != 0) end = std::max<size_t>(end, size_t{section.rawPointer} + section.rawSize);
    }
    return std::min(end, file.size());
}

PeImage readPeImage(Bytes file) {
    PeImage image;
    image.file = std::move(file);
    ByteView view(image.file, "the file is cut short inside its headers");
    if (image.file.size() < 64 || view.u16(0) != 0x5A4D) throw PackError("not a Windows executable (no MZ header)");
    size_t peOffset = view.u32(0x3C);
    if (!view.fits(peOffset, 24) || view.u32(peOffset) != 0x00004550) {
        throw PackError("not a Windows executable (no PE header)");
    }
    image.coffOffset = peOffset + 4;
    image.machine = view.u16(image.coffOffset);
    uint16_t sectionCount = view.u16(image.coffOffset + 2);
    uint16_t optionalSize = view.u16(image.coffOffset + 16);
    image.optionalOffset = image.coffOffset + 20;
    image.sectionTableOffset = image.optionalOffset + optionalSize;

    uint16_t magic = view.u16(image.optionalOffset);
    if (magic != kPe32Magic && magic != kPe32PlusMagic) throw PackError("unknown optional header (neither PE32 nor PE32+)");
    image.pe32Plus = magic == kPe32PlusMagic;
    size_t fixedSize = image.pe32Plus ? 112 : 96;
    if (optionalSize < fixedSize) throw PackError("the optional header is too short");
    image.sectionAlignment = view.u32(image.optionalOffset + 32);
    image.fileAlignment = view.u32(image.optionalOffset + 36);
    image.sizeOfHeaders = view.u32(image.optionalOffset + 60);
    image.directoryCount = view.u32(image.optionalOffset + fixedSize - 4);
    if (image.directoryCount > (optionalSize - fixedSize) / 8) throw PackError("the data directory is larger than its header");
    if (image.directoryCount <= kResourceDirectory) throw PackError("the header has no resource directory entry");
    checkAlignments(image);
    if (image.sizeOfHeaders > image.file.size()) throw PackError("the headers reach past the end of the file");
    readSections(image, view, sectionCount);
    return image;
}

uint32_t peChecksum(const Bytes& file, size_t checksumOffset) {
    uint64_t sum = 0;
    for (size_t i = 0; i < file.size(); i += 2) {
        if (i >= checksumOffset && i < checksumOffset + 4) continue;
        uint32_t word = file[i];
        if (i + 1 < file.size()) word |= static_cast<uint32_t>(file[i + 1]) << 8;
        sum += word;
        sum = (sum & 0xFFFF) + (sum >> 16);
    }
    sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<uint32_t>(sum + file.size());
}

} // namespace launcher::pack
