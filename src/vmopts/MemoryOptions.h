#pragma once
// Heap and stack options written as a share of the machine's memory
// (-Xmx50P, -Xms10:1024P, -Xss1T), and the stack size a "-Xss" option names.

#include "base/Text.h"

#include <cstdint>
#include <vector>

namespace launcher {

// The machine's memory, in bytes: the total physical memory, and the
// address space still available to this process.
struct MemoryFigures {
    uint64_t totalPhysical = 0;
    uint64_t availableVirtual = 0;
};

MemoryFigures readMemoryFigures();

// "-Xms", "-Xmx" or "-Xss" (letter case as written) ending in P, p, T or t.
bool isRelativeMemoryOption(std::u16string_view token);

struct OptionNumbers {
    size_t prefixLength = 0;        // up to the first digit or ":"
    std::vector<uint64_t> numbers;  // separated by ":"; empty without digits or ":"
};

// The numbers of an option, the last character (the unit) left out. A
// number too large for 64 bits stays at the largest value.
OptionNumbers parseOptionNumbers(std::u16string_view text);

// percentage[:minimum MB[:maximum MB]] of the physical memory (P) or of the
// available address space (T), as a size in kilobytes: -Xmx50P on 16 GiB
// becomes -Xmx8388608K. A maximum of 0 sets no cap; the minimum wins over
// the maximum.
std::u16string rewriteRelativeMemoryOption(std::u16string_view token, const MemoryFigures& memory);

// The thread stack size in bytes that a "-Xss" option names (512k, 2m, 1g,
// 65536); 0 when its value is not a plain size. Sizes beyond 64 bits stay
// at the largest value.
uint64_t stackSizeFrom(std::u16string_view token);

} // namespace launcher
