#include "CompoundFile.h"

#include <algorithm>

namespace launcher::pack {

namespace {

constexpr uint8_t kMagic[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
constexpr uint32_t kLastRegularSector = 0xFFFFFFFA;

class Reader {
public:
    explicit Reader(const Bytes& file) : view_(file, "the package is damaged (cut short or not a compound file)") {
        uint16_t shift = view_.u16(0x1E);
        if (shift != 9 && shift != 12) throw PackError("the package is damaged (sector size)");
        sectorSize_ = size_t{1} << shift;
        maxSectors_ = file.size() / sectorSize_ + 1;
        readFat();
    }

    // The sectors of a chain, in order; a loop or a chain out of the file
    // is damage, not an endless walk.
    std::vector<uint32_t> chain(uint32_t first) const {
        std::vector<uint32_t> sectors;
        for (uint32_t s = first; s <= kLastRegularSector; s = fat_.at(s)) {
            if (s >= fat_.size() || sectors.size() > maxSectors_) throw PackError("the package is damaged (sector chain)");
            sectors.push_back(s);
        }
        return sectors;
    }
    size_t offset(uint32_t sector) const { return (size_t{sector} + 1) * sectorSize_; }
    size_t sectorSize() const { return sectorSize_; }
    const ByteView& view() const { return view_; }

private:
    void readFat() {
        std::vector<uint32_t> fatSectors;
        uint32_t count = view_.u32(0x2C);
        for (uint32_t i = 0; i < 109 && fatSectors.size() < count; ++i) fatSectors.push_back(view_.u32(0x4C + 4 * i));
        size_t perDifat = sectorSize_ / 4 - 1;
        uint32_t difat = view_.u32(0x44);
        for (size_t hops = 0; fatSectors.size() < count && difat <= kLastRegularSector; ++hops) {
            if (hops > maxSectors_) throw PackError("the package is damaged (sector table)");
            for (size_t i = 0; i < perDifat && fatSectors.size() < count; ++i) fatSectors.push_back(view_.u32(offset(difat) + 4 * i));
            difat = view_.u32(offset(difat) + 4 * perDifat);
        }
        if (fatSectors.size() < count || count > maxSectors_) throw PackError("the package is damaged (sector table)");
        for (uint32_t sector : fatSectors) {
            for (size_t i = 0; i < sectorSize_ / 4; ++i) fat_.push_back(view_.u32(offset(sector) + 4 * i));
        }
    }

    ByteView view_;
    size_t sectorSize_ = 512;
    size_t maxSectors_ = 0;
    std::vector<uint32_t> fat_;
};

} // namespace

bool isCompoundFile(const Bytes& file) { return file.size() >= 512 && std::equal(kMagic, kMagic + 8, file.begin()); }

std::vector<std::u16string> compoundFileNames(const Bytes& file) {
    if (!isCompoundFile(file)) throw PackError("not a Windows Installer package");
    Reader reader(file);
    std::vector<std::u16string> names;
    for (uint32_t sector : reader.chain(reader.view().u32(0x30))) {
        for (size_t entry = 0; entry < reader.sectorSize(); entry += 128) {
            size_t at = reader.offset(sector) + entry;
            if (reader.view().u8(at + 0x42) == 0) continue; // unused
            size_t length = std::min<size_t>(reader.view().u16(at + 0x40), 64) / 2;
            std::u16string name;
            for (size_t i = 0; i + 1 < length; ++i) name += static_cast<char16_t>(reader.view().u16(at + 2 * i));
            names.push_back(name);
        }
    }
    return names;
}

} // namespace launcher::pack
