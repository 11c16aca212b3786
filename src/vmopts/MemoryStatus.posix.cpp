#include "base/Descriptor.posix.h"
#include "vmopts/MemoryOptions.h"

#include <cstdlib>
#include <sys/resource.h>
#include <unistd.h>

namespace launcher {

namespace {

// The user half of the x86-64 address space: 47 bits, 128 TiB.
constexpr uint64_t kUserAddressSpace = uint64_t{1} << 47;

// The process's mapped size in bytes (first figure of /proc/self/statm,
// in pages); 0 when it cannot be read.
uint64_t mappedBytes(uint64_t pageSize) {
    std::string text;
    if (readWholeFile("/proc/self/statm", text) != 0) return 0;
    unsigned long long pages = std::strtoull(text.c_str(), nullptr, 10);
    return pages * pageSize;
}

} // namespace

// Physical memory as the system counts it; the address space still free is
// the limit this process may map (the address-space rlimit, else the user
// address space) less what it maps already, as Windows reports it.
MemoryFigures readMemoryFigures() {
    MemoryFigures figures;
    long pages = sysconf(_SC_PHYS_PAGES);
    long pageSize = sysconf(_SC_PAGE_SIZE);
    if (pages <= 0 || pageSize <= 0) return figures;
    figures.totalPhysical = static_cast<uint64_t>(pages) * static_cast<uint64_t>(pageSize);

    uint64_t limit = kUserAddressSpace;
    rlimit addressLimit{};
    if (getrlimit(RLIMIT_AS, &addressLimit) == 0 && addressLimit.rlim_cur != RLIM_INFINITY &&
        addressLimit.rlim_cur < limit) {
        limit = addressLimit.rlim_cur;
    }
    uint64_t mapped = mappedBytes(static_cast<uint64_t>(pageSize));
    figures.availableVirtual = mapped < limit ? limit - mapped : 0;
    return figures;
}

} // namespace launcher
