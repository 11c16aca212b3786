#pragma once
// Random-access reading of an archive: the zip reader starts from the end,
// the .tar.gz reader reads straight through. A file is read a piece at a
// time, never loaded whole.

#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace launcher {

class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual uint64_t size() const = 0;
    // Fills into from offset; false when the bytes are not all there.
    virtual bool read(uint64_t offset, std::span<uint8_t> into) = 0;
};

class MemorySource final : public ByteSource {
public:
    explicit MemorySource(std::span<const uint8_t> bytes) : bytes_(bytes) {}
    uint64_t size() const override { return bytes_.size(); }
    bool read(uint64_t offset, std::span<uint8_t> into) override;

private:
    std::span<const uint8_t> bytes_;
};

// The file at path, opened for reading; null with the system's error code
// in error when it cannot be opened.
std::unique_ptr<ByteSource> openFileSource(const std::u16string& path, uint32_t& error);

} // namespace launcher
