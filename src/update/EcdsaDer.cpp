#include "update/EcdsaDer.h"

#include <algorithm>

namespace launcher {

namespace {

constexpr uint8_t kSequenceTag = 0x30;
constexpr uint8_t kIntegerTag = 0x02;
constexpr uint8_t kBitStringTag = 0x03;

// The AlgorithmIdentifier's content for id-ecPublicKey (1.2.840.10045.2.1)
// on prime256v1 (1.2.840.10045.3.1.7): compared whole, since one algorithm
// and one curve are all a feed's key may be.
constexpr uint8_t kP256Algorithm[] = {
    0x06, 0x07, 0x2a, 0x86, 0x48, 0xce, 0x3d, 0x02, 0x01,
    0x06, 0x08, 0x2a, 0x86, 0x48, 0xce, 0x3d, 0x03, 0x01, 0x07,
};

// The uncompressed point's marker, then X and Y.
constexpr uint8_t kUncompressedPoint = 0x04;

// Reads the elements of one level of a DER structure in order, every
// length checked against what is left.
class DerReader {
public:
    explicit DerReader(ByteView bytes) : rest_(bytes) {}

    // The content of the next element when it has that tag.
    std::optional<ByteView> next(uint8_t tag) {
        if (rest_.size() < 2 || rest_[0] != tag) return std::nullopt;
        size_t length = rest_[1];
        size_t header = 2;
        if (length & 0x80) {
            // 0x80 alone is BER's indefinite length. The structures read
            // here are short: two length bytes are more than they need.
            const size_t count = length & 0x7F;
            if (count == 0 || count > 2 || rest_.size() < header + count) return std::nullopt;
            length = 0;
            for (size_t i = 0; i < count; ++i) length = length << 8 | rest_[header + i];
            // The long form only where the short one cannot say the length,
            // and without leading zero bytes.
            if (length < 0x80 || rest_[header] == 0) return std::nullopt;
            header += count;
        }
        if (rest_.size() - header < length) return std::nullopt;
        const ByteView content = rest_.subspan(header, length);
        rest_ = rest_.subspan(header + length);
        return content;
    }

    bool atEnd() const { return rest_.empty(); }

private:
    ByteView rest_;
};

// The content of the one element the bytes hold, with nothing after it.
std::optional<ByteView> onlyElement(ByteView bytes, uint8_t tag) {
    DerReader reader(bytes);
    std::optional<ByteView> content = reader.next(tag);
    if (!content || !reader.atEnd()) return std::nullopt;
    return content;
}

// A positive INTEGER's content as a number of the field's width.
std::optional<P256Number> p256Number(ByteView content) {
    // Empty, or negative (its top bit set).
    if (content.empty() || (content[0] & 0x80)) return std::nullopt;
    if (content[0] == 0) {
        // A leading zero byte is allowed only to keep the next byte's top
        // bit from reading as a sign; alone it is the number zero, which no
        // valid signature holds.
        if (content.size() == 1 || !(content[1] & 0x80)) return std::nullopt;
        content = content.subspan(1);
    }
    if (content.size() > kP256FieldBytes) return std::nullopt;
    P256Number number{};
    std::copy(content.begin(), content.end(), number.end() - static_cast<std::ptrdiff_t>(content.size()));
    return number;
}

} // namespace

std::optional<P256Point> parseP256PublicKey(ByteView der) {
    const std::optional<ByteView> info = onlyElement(der, kSequenceTag);
    if (!info) return std::nullopt;
    DerReader reader(*info);
    const std::optional<ByteView> algorithm = reader.next(kSequenceTag);
    const std::optional<ByteView> bits = reader.next(kBitStringTag);
    if (!algorithm || !bits || !reader.atEnd()) return std::nullopt;
    if (!std::equal(algorithm->begin(), algorithm->end(), std::begin(kP256Algorithm), std::end(kP256Algorithm))) {
        return std::nullopt;
    }
    // No unused bits, the uncompressed marker, then the two coordinates.
    if (bits->size() != 2 + 2 * kP256FieldBytes || (*bits)[0] != 0 || (*bits)[1] != kUncompressedPoint) {
        return std::nullopt;
    }
    P256Point point;
    const ByteView coordinates = bits->subspan(2);
    std::copy_n(coordinates.begin(), kP256FieldBytes, point.x.begin());
    std::copy_n(coordinates.begin() + kP256FieldBytes, kP256FieldBytes, point.y.begin());
    return point;
}

std::optional<P256Signature> parseP256Signature(ByteView der) {
    const std::optional<ByteView> sequence = onlyElement(der, kSequenceTag);
    if (!sequence) return std::nullopt;
    DerReader reader(*sequence);
    const std::optional<ByteView> r = reader.next(kIntegerTag);
    const std::optional<ByteView> s = reader.next(kIntegerTag);
    if (!r || !s || !reader.atEnd()) return std::nullopt;
    const std::optional<P256Number> rNumber = p256Number(*r);
    const std::optional<P256Number> sNumber = p256Number(*s);
    if (!rNumber || !sNumber) return std::nullopt;
    return P256Signature{*rNumber, *sNumber};
}

} // namespace launcher
