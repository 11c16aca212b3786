#pragma once
// Little-endian byte access for the executable and icon formats. Every read
// is bounds-checked: the files come from users and may be cut short or forged.

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace launcher::pack {

using Bytes = std::vector<uint8_t>;

// A problem with the user's input or environment; the text is one line that
// the command prints after the name of the file concerned.
class PackError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Reads of a byte buffer that throw PackError with the given text instead of
// running past the end.
class ByteView {
public:
    ByteView(const Bytes& bytes, std::string problem) : bytes_(bytes), problem_(std::move(problem)) {}

    size_t size() const { return bytes_.size(); }
    bool fits(size_t offset, size_t length) const {
        return offset <= bytes_.size() && length <= bytes_.size() - offset;
    }
    void need(size_t offset, size_t length) const {
        if (!fits(offset, length)) throw PackError(problem_);
    }
    uint8_t u8(size_t offset) const {
        need(offset, 1);
        return bytes_[offset];
    }
    uint16_t u16(size_t offset) const {
        need(offset, 2);
        return static_cast<uint16_t>(bytes_[offset] | bytes_[offset + 1] << 8);
    }
    uint32_t u32(size_t offset) const {
        need(offset, 4);
        return static_cast<uint32_t>(u16(offset)) | static_cast<uint32_t>(u16(offset + 2)) << 16;
    }
    Bytes slice(size_t offset, size_t length) const {
        need(offset, length);
        return Bytes(bytes_.begin() + static_cast<std::ptrdiff_t>(offset),
                     bytes_.begin() + static_cast<std::ptrdiff_t>(offset + length));
    }

private:
    const Bytes& bytes_;
    std::string problem_;
};

inline void putU16(Bytes& bytes, size_t offset, uint16_t value) {
    bytes.at(offset + 1) = static_cast<uint8_t>(value >> 8);
    bytes[offset] = static_cast<uint8_t>(value);
}
inline void putU32(Bytes& bytes, size_t offset, uint32_t value) {
    putU16(bytes, offset, static_cast<uint16_t>(value));
    putU16(bytes, offset + 2, static_cast<uint16_t>(value >> 16));
}
inline void appendU16(Bytes& bytes, uint16_t value) {
    bytes.push_back(static_cast<uint8_t>(value));
    bytes.push_back(static_cast<uint8_t>(value >> 8));
}
inline void appendU32(Bytes& bytes, uint32_t value) {
    appendU16(bytes, static_cast<uint16_t>(value));
    appendU16(bytes, static_cast<uint16_t>(value >> 16));
}
inline void padTo(Bytes& bytes, size_t alignment) {
    while (bytes.size() % alignment != 0) bytes.push_back(0);
}
inline uint64_t alignUp(uint64_t value, uint64_t alignment) {
    return (value + alignment - 1) / alignment * alignment;
}

} // namespace launcher::pack
