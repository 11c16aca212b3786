#include "PeWriter.h"

#include <algorithm>
#include <cstdint>
#include <optional>

namespace launcher::pack {

namespace {

constexpr uint32_t kResourceCharacteristics = 0x40000040; // initialised data, readable

size_t sectionHeaderOffset(const PeImage& image, size_t index) {
    return image.sectionTableOffset + index * kSectionHeaderSize;
}

// The section that holds the resource directory now, if any.
std::optional<size_t> resourceSectionIndex(const PeImage& image) {
    DataDirectory directory = image.directory(kResourceDirectory);
    if (directory.rva == 0) return std::nullopt;
    const PeSection* section = image.sectionAt(directory.rva);
    // Only a section that starts with the directory is the resource section;
    // one that merely contains it (a merged .rdata) is never resized.
    if (!section || section->virtualAddress != directory.rva) return std::nullopt;
    return static_cast<size_t>(section - image.sections.data());
}

bool isLast(const PeImage& image, size_t index) {
    const PeSection& s = image.sections[index];
    for (const PeSection& other : image.sections) {
        if (other.virtualAddress > s.virtualAddress) return false;
        if (other.rawSize != 0 && other.rawPointer > s.rawPointer) return false;
    }
    return true;
}

// Where the new directory went.
struct Placement {
    Bytes file;
    uint32_t rva = 0;
    uint32_t size = 0;
    int64_t initialisedChange = 0;
};

// File offsets that lie in the overlay move with it: the COFF symbol table
// and debug data kept outside the sections.
void shiftOverlayPointers(Bytes& file, const PeImage& image, size_t overlayStart, int64_t shift) {
    if (shift == 0) return;
    ByteView view(image.file, "the file is cut short inside its headers");
    auto moved = [&](uint32_t pointer) { return static_cast<uint32_t>(static_cast<int64_t>(pointer) + shift); };
    size_t symbols = image.coffOffset + 8;
    uint32_t symbolTable = view.u32(symbols);
    if (symbolTable != 0 && symbolTable >= overlayStart) putU32(file, symbols, moved(symbolTable));
    DataDirectory debug = image.directory(kDebugDirectory);
    if (debug.rva == 0 || debug.size == 0) return;
    size_t at = 0;
    try {
        at = image.fileOffset(debug.rva, debug.size);
    } catch (const PackError&) {
        return; // a debug directory outside the sections is nothing the loader reads
    }
    for (size_t entry = at; entry + 28 <= at + debug.size; entry += 28) {
        uint32_t pointer = view.u32(entry + 24);
        if (pointer != 0 && pointer >= overlayStart) putU32(file, entry + 24, moved(pointer));
    }
}

void writeSectionHeader(Bytes& file, size_t at, uint32_t virtualSize, uint32_t virtualAddress, uint32_t rawSize,
                        uint32_t rawPointer) {
    putU32(file, at + 8, virtualSize);
    putU32(file, at + 12, virtualAddress);
    putU32(file, at + 16, rawSize);
    putU32(file, at + 20, rawPointer);
}

// The address space between a section's start and the next section.
uint64_t roomAfter(const PeImage& image, const PeSection& section) {
    uint64_t next = UINT64_MAX;
    for (const PeSection& other : image.sections) {
        if (other.virtualAddress > section.virtualAddress) next = std::min<uint64_t>(next, other.virtualAddress);
    }
    return next - section.virtualAddress;
}

Bytes slice(const Bytes& bytes, size_t from, size_t to) {
    return Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(from), bytes.begin() + static_cast<std::ptrdiff_t>(to));
}

// The old resource section is rewritten where it is: the new directory fits,
// or the section is the last one and grows (or shrinks) at the image's end.
std::optional<Placement> rewriteInPlace(const PeImage& image, size_t index, const ResourceList& resources) {
    const PeSection& old = image.sections[index];
    Bytes section = buildResourceSection(resources, old.virtualAddress);
    auto size = static_cast<uint32_t>(section.size());
    size_t headerAt = sectionHeaderOffset(image, index);
    if (size <= old.rawSize && size <= roomAfter(image, old)) {
        Placement placed{image.file, old.virtualAddress, size, 0};
        section.resize(old.rawSize, 0);
        std::copy(section.begin(), section.end(), placed.file.begin() + old.rawPointer);
        writeSectionHeader(placed.file, headerAt, size, old.virtualAddress, old.rawSize, old.rawPointer);
        return placed;
    }
    if (!isLast(image, index)) return std::nullopt;
    size_t overlayStart = image.endOfSections();
    section.resize(alignUp(section.size(), image.fileAlignment), 0);
    Placement placed{slice(image.file, 0, old.rawPointer), old.virtualAddress, size, 0};
    placed.file.insert(placed.file.end(), section.begin(), section.end());
    placed.file.insert(placed.file.end(), image.file.begin() + static_cast<std::ptrdiff_t>(overlayStart), image.file.end());
    int64_t shift = static_cast<int64_t>(placed.file.size()) - static_cast<int64_t>(image.file.size());
    shiftOverlayPointers(placed.file, image, overlayStart, shift);
    writeSectionHeader(placed.file, headerAt, size, old.virtualAddress, static_cast<uint32_t>(section.size()), old.rawPointer);
    placed.initialisedChange = static_cast<int64_t>(section.size()) - old.rawSize;
    return placed;
}

// A new section after the last one; the headers must have room for its entry
// before the first section's data.
Placement appendSection(const PeImage& image, const ResourceList& resources) {
    size_t count = image.sections.size();
    size_t headerAt = sectionHeaderOffset(image, count);
    size_t firstData = image.sizeOfHeaders;
    uint64_t imageEnd = 0;
    for (const PeSection& s : image.sections) {
        if (s.rawSize != 0) firstData = std::min<size_t>(firstData, s.rawPointer);
        imageEnd = std::max<uint64_t>(imageEnd, uint64_t{s.virtualAddress} + std::max(s.virtualSize, s.rawSize));
    }
    if (headerAt + kSectionHeaderSize > firstData) throw PackError("the headers have no room for another section");
    const uint64_t start = alignUp(imageEnd, image.sectionAlignment);
    // A section that a forged header places at the top of the address space
    // leaves no addresses for another one: a new section's address would
    // wrap around to 0.
    if (start > UINT32_MAX) throw PackError("the image has no addresses left for another section");
    auto rva = static_cast<uint32_t>(start);
    Bytes section = buildResourceSection(resources, rva);
    auto size = static_cast<uint32_t>(section.size());
    if (start + alignUp(section.size(), image.sectionAlignment) > UINT32_MAX) {
        throw PackError("the image has no addresses left for another section");
    }
    section.resize(alignUp(section.size(), image.fileAlignment), 0);
    size_t overlayStart = image.endOfSections();
    auto rawPointer = static_cast<uint32_t>(alignUp(overlayStart, image.fileAlignment));

    Placement placed{slice(image.file, 0, overlayStart), rva, size, static_cast<int64_t>(section.size())};
    placed.file.resize(rawPointer, 0);
    placed.file.insert(placed.file.end(), section.begin(), section.end());
    placed.file.insert(placed.file.end(), image.file.begin() + static_cast<std::ptrdiff_t>(overlayStart), image.file.end());
    shiftOverlayPointers(placed.file, image, overlayStart,
                         static_cast<int64_t>(placed.file.size()) - static_cast<int64_t>(image.file.size()));
    static const char kName[8] = {'.', 'r', 's', 'r', 'c', 0, 0, 0};
    std::fill_n(placed.file.begin() + static_cast<std::ptrdiff_t>(headerAt), kSectionHeaderSize, 0);
    std::copy(kName, kName + 8, placed.file.begin() + static_cast<std::ptrdiff_t>(headerAt));
    writeSectionHeader(placed.file, headerAt, size, rva, static_cast<uint32_t>(section.size()), rawPointer);
    putU32(placed.file, headerAt + 36, kResourceCharacteristics);
    putU16(placed.file, image.coffOffset + 2, static_cast<uint16_t>(count + 1));
    return placed;
}

void setImageSizes(Bytes& file, const PeImage& image, int64_t initialisedChange) {
    ByteView view(file, "the file is cut short inside its headers");
    uint64_t imageEnd = 0;
    uint16_t count = view.u16(image.coffOffset + 2);
    for (uint16_t i = 0; i < count; ++i) {
        size_t at = sectionHeaderOffset(image, i);
        imageEnd = std::max<uint64_t>(imageEnd, uint64_t{view.u32(at + 12)} + std::max(view.u32(at + 8), view.u32(at + 16)));
    }
    putU32(file, image.optionalOffset + 56, static_cast<uint32_t>(alignUp(imageEnd, image.sectionAlignment)));
    int64_t initialised = int64_t{view.u32(image.optionalOffset + 8)} + initialisedChange;
    putU32(file, image.optionalOffset + 8, static_cast<uint32_t>(std::clamp<int64_t>(initialised, 0, UINT32_MAX)));
}

} // namespace

Bytes withResources(const PeImage& image, const ResourceList& resources) {
    std::optional<Placement> placed;
    if (std::optional<size_t> current = resourceSectionIndex(image)) placed = rewriteInPlace(image, *current, resources);
    if (!placed) placed = appendSection(image, resources);
    size_t directory = image.directoryOffset(kResourceDirectory);
    putU32(placed->file, directory, placed->rva);
    putU32(placed->file, directory + 4, placed->size);
    setImageSizes(placed->file, image, placed->initialisedChange);
    putU32(placed->file, image.checksumOffset(), peChecksum(placed->file, image.checksumOffset()));
    return std::move(placed->file);
}

} // namespace launcher::pack
