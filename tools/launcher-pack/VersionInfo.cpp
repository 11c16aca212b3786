#include "VersionInfo.h"

#include <algorithm>
#include <charconv>

namespace launcher::pack {

namespace {

constexpr uint32_t kFixedSignature = 0xFEEF04BD;
constexpr uint16_t kTextType = 1;
constexpr uint16_t kBinaryType = 0;

// One block: length, value length, type, NUL-terminated key, padding to four
// bytes, value, padding, children. The length covers everything but padding
// after the block; a text value's length counts UTF-16 units with the NUL.
class Block {
public:
    Block(std::u16string_view key, uint16_t type) : type_(type) {
        bytes_.assign(6, 0);
        for (char16_t c : key) appendU16(bytes_, c);
        appendU16(bytes_, 0);
        padTo(bytes_, 4);
    }
    Block& text(std::u16string_view value) {
        for (char16_t c : value) appendU16(bytes_, c);
        appendU16(bytes_, 0);
        valueLength_ = static_cast<uint16_t>(value.size() + 1);
        return *this;
    }
    Block& binary(const Bytes& value) {
        bytes_.insert(bytes_.end(), value.begin(), value.end());
        valueLength_ = static_cast<uint16_t>(value.size());
        return *this;
    }
    Block& child(const Bytes& block) {
        padTo(bytes_, 4);
        bytes_.insert(bytes_.end(), block.begin(), block.end());
        return *this;
    }
    Bytes done() {
        if (bytes_.size() > 0xFFFF) throw PackError("the version information is longer than 64 KiB");
        putU16(bytes_, 0, static_cast<uint16_t>(bytes_.size()));
        putU16(bytes_, 2, valueLength_);
        putU16(bytes_, 4, type_);
        return std::move(bytes_);
    }

private:
    Bytes bytes_;
    uint16_t valueLength_ = 0;
    uint16_t type_;
};

Bytes fixedInfo(const VersionInfo& info) {
    Bytes fixed;
    auto high = [](const VersionNumber4& v) { return static_cast<uint32_t>(v[0]) << 16 | v[1]; };
    auto low = [](const VersionNumber4& v) { return static_cast<uint32_t>(v[2]) << 16 | v[3]; };
    for (uint32_t value : {kFixedSignature, 0x00010000u, high(info.fileVersion), low(info.fileVersion),
                           high(info.productVersion), low(info.productVersion), 0x3Fu /* flags mask */,
                           0u /* flags */, 0x00040004u /* NT, Win32 */, 1u /* application */, 0u, 0u, 0u}) {
        appendU32(fixed, value);
    }
    return fixed;
}

struct ReadBlock {
    std::u16string key;
    size_t value = 0; // offsets into the resource
    size_t valueLength = 0;
    size_t childrenBegin = 0;
    size_t end = 0;
};

ReadBlock readBlock(const ByteView& view, size_t at, size_t limit) {
    ReadBlock block;
    block.end = at + view.u16(at);
    if (block.end > limit || block.end < at + 6) throw PackError("a version information block runs past its parent");
    uint16_t valueLength = view.u16(at + 2);
    bool text = view.u16(at + 4) == kTextType;
    size_t p = at + 6;
    for (char16_t c; p + 2 <= block.end && (c = static_cast<char16_t>(view.u16(p))) != 0; p += 2) block.key.push_back(c);
    block.value = alignUp(p + 2, 4);
    block.valueLength = text ? size_t{valueLength} * 2 : valueLength;
    if (block.value + block.valueLength > block.end) block.valueLength = block.end > block.value ? block.end - block.value : 0;
    block.childrenBegin = alignUp(block.value + block.valueLength, 4);
    return block;
}

std::vector<ReadBlock> children(const ByteView& view, const ReadBlock& parent) {
    std::vector<ReadBlock> result;
    for (size_t at = parent.childrenBegin; at + 6 <= parent.end; at = alignUp(result.back().end, 4)) {
        result.push_back(readBlock(view, at, parent.end));
    }
    return result;
}

std::u16string textValue(const ByteView& view, const ReadBlock& block) {
    std::u16string text;
    for (size_t p = block.value; p + 2 <= block.value + block.valueLength; p += 2) {
        auto c = static_cast<char16_t>(view.u16(p));
        if (c == 0) break;
        text.push_back(c);
    }
    return text;
}

} // namespace

VersionNumber4 parseVersionNumber(std::string_view text) {
    // Three numbers, as many build tools write a version, mean a fourth of 0.
    const size_t count = std::count(text.begin(), text.end(), '.') == 2 ? 3 : 4;
    VersionNumber4 version{};
    const char* p = text.data();
    const char* end = text.data() + text.size();
    for (size_t i = 0; i < count; ++i) {
        unsigned value = 0;
        auto [next, error] = std::from_chars(p, end, value);
        bool last = i + 1 == count;
        bool separatorOk = last ? next == end : next != end && *next == '.';
        if (error != std::errc() || next == p || value > 0xFFFF || !separatorOk || (next - p) > 5) {
            throw PackError("the version " + std::string(text) + " is not three or four numbers from 0 to 65535 (A.B.C or A.B.C.D)");
        }
        version[i] = static_cast<uint16_t>(value);
        p = next + (last ? 0 : 1);
    }
    return version;
}

std::string versionText(const VersionNumber4& v) {
    return std::to_string(v[0]) + "." + std::to_string(v[1]) + "." + std::to_string(v[2]) + "." + std::to_string(v[3]);
}

Bytes buildVersionInfo(const VersionInfo& info) {
    Block table(u"040904B0", kTextType);
    for (const auto& [key, value] : info.strings) table.child(Block(key, kTextType).text(value).done());
    Bytes translation = {0x09, 0x04, 0xB0, 0x04}; // US English, Unicode
    return Block(u"VS_VERSION_INFO", kBinaryType)
        .binary(fixedInfo(info))
        .child(Block(u"StringFileInfo", kTextType).child(table.done()).done())
        .child(Block(u"VarFileInfo", kTextType).child(Block(u"Translation", kBinaryType).binary(translation).done()).done())
        .done();
}

VersionInfo readVersionInfo(const Bytes& resource) {
    ByteView view(resource, "the version information is cut short");
    ReadBlock root = readBlock(view, 0, resource.size());
    VersionInfo info;
    if (root.valueLength >= 52 && view.u32(root.value) == kFixedSignature) {
        for (size_t i = 0; i < 2; ++i) {
            VersionNumber4& v = i == 0 ? info.fileVersion : info.productVersion;
            uint32_t high = view.u32(root.value + 8 + i * 8);
            uint32_t low = view.u32(root.value + 12 + i * 8);
            v = {static_cast<uint16_t>(high >> 16), static_cast<uint16_t>(high), static_cast<uint16_t>(low >> 16),
                 static_cast<uint16_t>(low)};
        }
    }
    for (const ReadBlock& block : children(view, root)) {
        if (block.key != u"StringFileInfo") continue;
        for (const ReadBlock& table : children(view, block)) {
            for (const ReadBlock& entry : children(view, table)) info.strings.emplace_back(entry.key, textValue(view, entry));
        }
    }
    return info;
}

} // namespace launcher::pack
