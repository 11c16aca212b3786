// Feeds arbitrary bytes to the archive readers as a downloaded file, damaged
// or hostile, and checks what they and the entry checks must give: data of
// exactly the declared size, and admitted paths that stay inside.

#include "ArchiveFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    launcher::fuzzArchive(std::span(data, size));
    return 0;
}
