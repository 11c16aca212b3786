#include "instance/ForwardBlock.h"

#include <algorithm>

namespace launcher {

namespace {

// "FWDC" read as a little-endian word: the argument area is in the
// complete form and the next word counts its arguments.
constexpr uint32_t kCompleteFormTag = 0x43445746;
constexpr size_t kArgumentCountOffset = kReservedOffset + 4;
constexpr size_t kAreaUnits = kArgumentAreaSize / 2;

char16_t unitAt(std::span<const uint8_t> block, size_t index) {
    size_t at = kArgumentAreaOffset + 2 * index;
    return static_cast<char16_t>(block[at] | (block[at + 1] << 8));
}

bool wholeBlock(std::span<const uint8_t> block) { return block.size() >= kForwardBlockSize; }

// Replaces the sender mark with next when it is expected; the mark's bytes
// are little-endian, as the platforms this runs on store a word.
bool swapSender(std::span<uint8_t> block, uint32_t expected, uint32_t next) {
    static_assert(kSenderThreadOffset % alignof(uint32_t) == 0);
    if (!wholeBlock(block) || reinterpret_cast<uintptr_t>(block.data()) % alignof(uint32_t) != 0) return false;
    // The compiler's atomic builtin rather than std::atomic_ref, which not
    // every C++ library this is built with has (libc++ 16 lacks it); GCC and
    // clang both have the builtin, with the same meaning.
    uint32_t* mark = reinterpret_cast<uint32_t*>(block.data() + kSenderThreadOffset);
    return __atomic_compare_exchange_n(mark, &expected, next, false, __ATOMIC_SEQ_CST, __ATOMIC_SEQ_CST);
}

} // namespace

uint32_t readBlockWord(std::span<const uint8_t> block, size_t offset) {
    return static_cast<uint32_t>(block[offset]) | static_cast<uint32_t>(block[offset + 1]) << 8 |
           static_cast<uint32_t>(block[offset + 2]) << 16 | static_cast<uint32_t>(block[offset + 3]) << 24;
}

void writeBlockWord(std::span<uint8_t> block, size_t offset, uint32_t value) {
    for (size_t i = 0; i < 4; ++i) block[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}

size_t forwardedSize(const TextList& arguments) {
    size_t size = 2;
    for (const std::u16string& argument : arguments) size += 2 * argument.size() + 2;
    return size;
}

bool fitsForwardBlock(const TextList& arguments) { return forwardedSize(arguments) <= kArgumentAreaSize; }

bool writeForwardArguments(std::span<uint8_t> block, const TextList& arguments) {
    if (!wholeBlock(block) || !fitsForwardBlock(arguments)) return false;
    clearForwardArguments(block);
    size_t at = kArgumentAreaOffset;
    for (const std::u16string& argument : arguments) {
        for (char16_t unit : argument) {
            block[at++] = static_cast<uint8_t>(unit);
            block[at++] = static_cast<uint8_t>(unit >> 8);
        }
        at += 2; // the argument's zero unit; the area was cleared
    }
    writeBlockWord(block, kReservedOffset, kCompleteFormTag);
    writeBlockWord(block, kArgumentCountOffset, static_cast<uint32_t>(arguments.size()));
    return true;
}

TextList walkForwardArguments(std::span<const uint8_t> block) {
    TextList arguments;
    if (!wholeBlock(block)) return arguments;
    std::u16string current;
    for (size_t i = 0; i < kAreaUnits; ++i) {
        char16_t unit = unitAt(block, i);
        if (unit != 0) {
            current.push_back(unit);
            continue;
        }
        arguments.push_back(std::move(current));
        current.clear();
        if (i + 1 < kAreaUnits && unitAt(block, i + 1) == 0) break;
    }
    return arguments;
}

TextList readForwardArguments(std::span<const uint8_t> block) {
    if (!wholeBlock(block) || readBlockWord(block, kReservedOffset) != kCompleteFormTag) {
        return walkForwardArguments(block);
    }
    // A count that the area cannot hold is cut to the arguments it does hold.
    const size_t count = readBlockWord(block, kArgumentCountOffset);
    TextList arguments;
    std::u16string current;
    for (size_t i = 0; i < kAreaUnits && arguments.size() < count; ++i) {
        char16_t unit = unitAt(block, i);
        if (unit != 0) {
            current.push_back(unit);
        } else {
            arguments.push_back(std::move(current));
            current.clear();
        }
    }
    return arguments;
}

void clearForwardArguments(std::span<uint8_t> block) {
    if (!wholeBlock(block)) return;
    std::fill_n(block.begin() + kArgumentAreaOffset, kArgumentAreaSize + kReservedSize, uint8_t{0});
}

bool claimForwardSlot(std::span<uint8_t> block, uint32_t sender) {
    return sender != 0 && sender != kSlotClaimed && swapSender(block, sender, kSlotClaimed);
}

bool withdrawForwardSlot(std::span<uint8_t> block, uint32_t sender) {
    if (sender == 0 || sender == kSlotClaimed || !swapSender(block, sender, 0)) return false;
    clearForwardArguments(block);
    return true;
}

} // namespace launcher
