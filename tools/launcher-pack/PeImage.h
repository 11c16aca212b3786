#pragma once
// The parts of a PE/COFF executable that packaging reads and rewrites: the
// headers, the section table and the data directories. Both PE32 (x86) and
// PE32+ (x64, ARM64) images are read; nothing here depends on the machine.

#include "Bytes.h"

#include <string>
#include <vector>

namespace launcher::pack {

struct PeSection {
    std::string name;
    uint32_t virtualSize = 0;
    uint32_t virtualAddress = 0;
    uint32_t rawSize = 0;
    uint32_t rawPointer = 0;
    uint32_t characteristics = 0;
};

struct DataDirectory {
    uint32_t rva = 0;
    uint32_t size = 0;
};

inline constexpr size_t kSectionHeaderSize = 40;
inline constexpr int kResourceDirectory = 2;
inline constexpr int kSecurityDirectory = 4;
inline constexpr int kDebugDirectory = 6;

struct PeImage {
    Bytes file;
    bool pe32Plus = false;
    uint16_t machine = 0;
    size_t coffOffset = 0;     // the COFF file header, after "PE\0\0"
    size_t optionalOffset = 0; // the optional header
    size_t sectionTableOffset = 0;
    uint32_t sectionAlignment = 0;
    uint32_t fileAlignment = 0;
    uint32_t sizeOfHeaders = 0;
    uint32_t directoryCount = 0;
    std::vector<PeSection> sections;

    DataDirectory directory(int index) const;
    size_t directoryOffset(int index) const;
    size_t checksumOffset() const { return optionalOffset + 64; }
    bool hasSignature() const { return directory(kSecurityDirectory).size != 0; }
    // The section whose address range holds rva, or null.
    const PeSection* sectionAt(uint32_t rva) const;
    // The file offset of size bytes at rva; throws when they are not all in
    // one section's data in the file.
    size_t fileOffset(uint32_t rva, uint32_t size) const;
    // Where the section data ends; what follows is the overlay (appended data,
    // a symbol table, a signature).
    size_t endOfSections() const;
};

// Throws PackError naming the first problem found.
PeImage readPeImage(Bytes file);

// The checksum the image's header should carry (the loader's algorithm: a
// 16-bit one's-complement sum of the file with the checksum field taken as
// zero, plus the file length).
uint32_t peChecksum(const Bytes& file, size_t checksumOffset);

} // namespace launcher::pack
