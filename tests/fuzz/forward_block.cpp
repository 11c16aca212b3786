// Feeds arbitrary bytes to the running instance's reading of a forward
// block, as a block written by anyone on the machine may be, and checks the
// properties every reading has.

#include "FuzzCheck.h"
#include "instance/ForwardBlock.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>

using namespace launcher;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::array<uint8_t, kForwardBlockSize> block{};
    std::copy_n(data, std::min(size, block.size()), block.begin());

    // Whatever the block holds, the reading stays inside the argument area:
    // the arguments and their zero units fit in it.
    const TextList read = readForwardArguments(block);
    size_t units = 0;
    for (const std::u16string& argument : read) {
        FUZZ_CHECK(argument.find(u'\0') == std::u16string::npos);
        units += argument.size() + 1;
    }
    FUZZ_CHECK(units <= kArgumentAreaSize / 2);
    const TextList walked = walkForwardArguments(block);
    FUZZ_CHECK(!walked.empty() || readBlockWord(block, kArgumentAreaOffset) != 0);

    // What was read, written again, reads back the same, and the header
    // words are never touched.
    const uint32_t listener = readBlockWord(block, kListenerThreadOffset);
    if (fitsForwardBlock(read)) {
        FUZZ_CHECK(writeForwardArguments(block, read));
        FUZZ_CHECK(readForwardArguments(block) == read);
    } else {
        FUZZ_CHECK(!writeForwardArguments(block, read));
    }
    FUZZ_CHECK(readBlockWord(block, kListenerThreadOffset) == listener);

    // A block cut short reads as nothing rather than past its end.
    FUZZ_CHECK(readForwardArguments(std::span<const uint8_t>(data, std::min(size, kForwardBlockSize - 1))).empty());
    return 0;
}
