// Feeds arbitrary bytes to the compound-file reader behind launcher-pack
// --show FILE.msi: it names the entries or refuses with a PackError, and a
// loop or a chain out of the file never makes it walk without end.

#include "FuzzCheck.h"

#include "CompoundFile.h"
#include "ShowReport.h"

#include <cstddef>
#include <cstdint>

using namespace launcher::pack;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const Bytes bytes(data, data + size);
    try {
        std::vector<std::u16string> names = compoundFileNames(bytes);
        // Each directory entry takes 128 bytes of the file.
        FUZZ_CHECK(names.size() <= size / 128);
        FUZZ_CHECK(describeInstallerPackage(bytes).starts_with("format: Windows Installer package\n"));
    } catch (const PackError&) {
    }
    return 0;
}
