#pragma once
// The block through which a later launch hands its arguments to the running
// one: 2092 bytes, little-endian.
//
//   0     listener thread id of the primary
//   4     process id of the primary
//   8     registered message id
//   12    argument area, 1040 bytes: each argument's UTF-16 units and a zero
//         unit, one more zero unit after the last
//   1052  reserved area, 1040 bytes
//
// A walk over the argument area alone cannot tell an empty argument from
// the end of the list, so the writer also marks the complete form in the
// reserved area: a tag and the argument count. A reader that knows only the
// walk still finds every argument up to the first empty one.

#include "base/Text.h"

#include <cstddef>
#include <cstdint>
#include <span>

namespace launcher {

inline constexpr size_t kForwardBlockSize = 2092;
inline constexpr size_t kListenerThreadOffset = 0;
inline constexpr size_t kPrimaryProcessOffset = 4;
inline constexpr size_t kMessageIdOffset = 8;
inline constexpr size_t kArgumentAreaOffset = 12;
inline constexpr size_t kArgumentAreaSize = 1040;
inline constexpr size_t kReservedOffset = 1052;
inline constexpr size_t kReservedSize = 1040;
// In the reserved area, after the complete form's tag and count: the thread
// that wrote the slot, so that the primary serves each slot exactly once
// for the launch that wrote it, however often its message arrives.
inline constexpr size_t kSenderThreadOffset = kReservedOffset + 8;

uint32_t readBlockWord(std::span<const uint8_t> block, size_t offset);
void writeBlockWord(std::span<uint8_t> block, size_t offset, uint32_t value);

// The bytes the arguments take in the area, the final zero unit included.
size_t forwardedSize(const TextList& arguments);
bool fitsForwardBlock(const TextList& arguments);

// Clears the argument area and the mark, then writes the arguments in the
// complete form; false (block unchanged) when they do not fit.
bool writeForwardArguments(std::span<uint8_t> block, const TextList& arguments);
// The arguments in the block: exactly those written when the complete form
// is marked, else what the plain walk finds.
TextList readForwardArguments(std::span<const uint8_t> block);
// The plain walk: an argument ends at a zero unit, the list at two zero
// units in a row or at the end of the area; an argument still open there
// is dropped.
TextList walkForwardArguments(std::span<const uint8_t> block);
// Empties the argument slot (area and mark) for the next launch.
void clearForwardArguments(std::span<uint8_t> block);

// The sender mark once the primary has claimed the slot: no thread has
// this id.
inline constexpr uint32_t kSlotClaimed = 0xFFFFFFFF;
// Whether the primary serves a slot and whether its sender gives up on it
// is one decision, taken by whichever of these comes first. Both change the
// sender mark atomically (the block is shared between processes; it must
// be aligned as the mapped view is).
//
// Primary: claims the slot for the launch whose message arrived, before
// copying it; false when the slot is not, or no longer, that launch's.
bool claimForwardSlot(std::span<uint8_t> block, uint32_t sender);
// Secondary: takes back its own slot that nobody claimed, and empties it;
// false when the primary has claimed it (it is being copied, and the
// launch will be served).
bool withdrawForwardSlot(std::span<uint8_t> block, uint32_t sender);

} // namespace launcher
