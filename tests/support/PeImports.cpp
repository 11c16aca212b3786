#include "support/PeImports.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdint>

namespace launcher::test {

namespace {

class Reader {
public:
    explicit Reader(std::string_view bytes) : bytes_(bytes) {}

    std::optional<uint32_t> u32(size_t offset) const { return read(offset, 4); }
    std::optional<uint32_t> u16(size_t offset) const { return read(offset, 2); }

    std::optional<std::string> text(size_t offset) const {
        if (offset >= bytes_.size()) return std::nullopt;
        size_t end = bytes_.find('\0', offset);
        if (end == std::string_view::npos) return std::nullopt;
        return std::string(bytes_.substr(offset, end - offset));
    }

private:
    std::optional<uint32_t> read(size_t offset, size_t width) const {
        if (offset > bytes_.size() || bytes_.size() - offset < width) return std::nullopt;
        uint32_t value = 0;
        for (size_t i = width; i-- > 0;) value = (value << 8) | static_cast<unsigned char>(bytes_[offset + i]);
        return value;
    }

    std::string_view bytes_;
};

struct Section {
    uint32_t address;
    uint32_t size;
    uint32_t fileOffset;
};

std::optional<size_t> fileOffset(const std::vector<Section>& sections, uint32_t rva) {
    for (const Section& section : sections) {
        if (rva >= section.address && rva - section.address < section.size) {
            return size_t{section.fileOffset} + (rva - section.address);
        }
    }
    return std::nullopt;
}

} // namespace

std::optional<std::vector<std::string>> importedLibraries(std::string_view image) {
    Reader file(image);
    if (file.u16(0) != 0x5A4D) return std::nullopt; // "MZ"
    std::optional<uint32_t> pe = file.u32(0x3C);
    if (!pe || file.u32(*pe) != 0x00004550) return std::nullopt; // "PE\0\0"
    const size_t header = size_t{*pe} + 4;
    std::optional<uint32_t> sectionCount = file.u16(header + 2);
    std::optional<uint32_t> optionalSize = file.u16(header + 16);
    const size_t optional = header + 20;
    std::optional<uint32_t> magic = file.u16(optional);
    if (!sectionCount || !optionalSize || !magic) return std::nullopt;
    // The data directories start later in the 64-bit header.
    const size_t directories = optional + (*magic == 0x20B ? 112 : *magic == 0x10B ? 96 : 0);
    if (directories == optional) return std::nullopt;
    std::optional<uint32_t> importRva = file.u32(directories + 8);
    if (!importRva) return std::nullopt;

    std::vector<Section> sections;
    const size_t table = optional + *optionalSize;
    for (uint32_t i = 0; i < *sectionCount; ++i) {
        const size_t entry = table + size_t{i} * 40;
        std::optional<uint32_t> virtualSize = file.u32(entry + 8);
        std::optional<uint32_t> address = file.u32(entry + 12);
        std::optional<uint32_t> rawSize = file.u32(entry + 16);
        std::optional<uint32_t> rawOffset = file.u32(entry + 20);
        if (!virtualSize || !address || !rawSize || !rawOffset) return std::nullopt;
        sections.push_back({*address, std::max(*virtualSize, *rawSize), *rawOffset});
    }

    std::vector<std::string> names;
    if (*importRva == 0) return names;
    std::optional<size_t> descriptor = fileOffset(sections, *importRva);
    if (!descriptor) return std::nullopt;
    // Descriptors run until one that is all zero; a table that runs off the
    // file is malformed rather than empty.
    for (;; *descriptor += 20) {
        std::optional<uint32_t> lookup = file.u32(*descriptor);
        std::optional<uint32_t> nameRva = file.u32(*descriptor + 12);
        std::optional<uint32_t> thunks = file.u32(*descriptor + 16);
        if (!lookup || !nameRva || !thunks) return std::nullopt;
        if (*lookup == 0 && *nameRva == 0 && *thunks == 0) return names;
        std::optional<size_t> nameOffset = fileOffset(sections, *nameRva);
        std::optional<std::string> name = nameOffset ? file.text(*nameOffset) : std::nullopt;
        if (!name) return std::nullopt;
        names.push_back(std::move(*name));
    }
}

bool isStartupLibrary(std::string_view name) {
    std::string lower(name);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    static constexpr std::array<std::string_view, 4> kAllowed = {"kernel32.dll", "advapi32.dll", "user32.dll",
                                                                  "msvcrt.dll"};
    if (std::find(kAllowed.begin(), kAllowed.end(), lower) != kAllowed.end()) return true;
    constexpr std::string_view kCrtPrefix = "api-ms-win-crt-";
    return lower.starts_with(kCrtPrefix) && lower.ends_with(".dll") && lower.size() > kCrtPrefix.size() + 4;
}

} // namespace launcher::test
