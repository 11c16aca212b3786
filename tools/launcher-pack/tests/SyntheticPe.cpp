#include "SyntheticPe.h"

namespace launcher::pack::test {

Bytes sectionFill(const std::string& name, size_t size) {
    Bytes fill(size);
    for (size_t i = 0; i < size; ++i) fill[i] = static_cast<uint8_t>(name[i % name.size()] + i / 7);
    return fill;
}

Bytes SyntheticPe::build() const {
    const size_t optionalSize = pe32Plus ? 240 : 224;
    Bytes file(headerSize, 0);
    putU16(file, 0, 0x5A4D);
    putU32(file, 0x3C, 0x40);
    putU32(file, 0x40, 0x00004550);
    putU16(file, 0x44, machine != 0 ? machine : pe32Plus ? 0x8664 : 0x14C);
    putU16(file, 0x46, static_cast<uint16_t>(sections.size()));
    putU16(file, 0x54, static_cast<uint16_t>(optionalSize));
    putU16(file, 0x56, 0x22);
    const size_t opt = 0x58;
    putU16(file, opt, pe32Plus ? 0x20B : 0x10B);
    putU32(file, opt + 32, 0x1000);
    putU32(file, opt + 36, 0x200);
    putU32(file, opt + 60, headerSize);
    putU32(file, opt + optionalSize - 128 - 4, 16);
    uint32_t rva = 0x1000;
    for (size_t i = 0; i < sections.size(); ++i) {
        bool isResource = sections[i] == ".rsrc";
        Bytes data = isResource ? buildResourceSection(resources, rva) : sectionFill(sections[i], 0x300 + 0x100 * i);
        size_t at = opt + optionalSize + i * 40;
        std::copy(sections[i].begin(), sections[i].end(), file.begin() + static_cast<std::ptrdiff_t>(at));
        putU32(file, at + 8, static_cast<uint32_t>(data.size()));
        putU32(file, at + 12, rva);
        putU32(file, at + 16, static_cast<uint32_t>(alignUp(data.size(), 0x200)));
        putU32(file, at + 20, static_cast<uint32_t>(file.size()));
        putU32(file, at + 36, 0x40000040);
        if (isResource) {
            putU32(file, opt + optionalSize - 128 + 16, rva);
            putU32(file, opt + optionalSize - 128 + 20, static_cast<uint32_t>(data.size()));
        }
        data.resize(alignUp(data.size(), 0x200), 0);
        file.insert(file.end(), data.begin(), data.end());
        rva += static_cast<uint32_t>(alignUp(data.size(), 0x1000));
    }
    putU32(file, opt + 56, rva);
    if (symbolsInOverlay) putU32(file, 0x4C, static_cast<uint32_t>(file.size()));
    file.insert(file.end(), overlay.begin(), overlay.end());
    return file;
}

Resource resource(uint16_t type, uint16_t id, uint16_t language, std::string data) {
    return {{type, {}}, {id, {}}, language, 0, Bytes(data.begin(), data.end())};
}

Resource namedResource(std::u16string type, std::u16string name, std::string data) {
    return {{0, std::move(type)}, {0, std::move(name)}, 0, 0, Bytes(data.begin(), data.end())};
}

} // namespace launcher::pack::test
