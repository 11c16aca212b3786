#include "base/Descriptor.posix.h"
#include "base/Trace.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <time.h>

namespace launcher::trace {

namespace {

UniqueDescriptor fileSink;
int sinkDescriptor = -1;

// The kernel gives a process's start in clock ticks since boot, on the
// boot-time clock; the difference to that clock now is the process's age.
uint64_t processAgeMilliseconds() {
    std::string stat;
    if (readWholeFile("/proc/self/stat", stat) != 0) return 0;
    // The command name in parentheses may hold blanks; fields count from
    // after its closing parenthesis, where field 3 starts.
    size_t at = stat.rfind(')');
    if (at == std::string::npos) return 0;
    for (int field = 2; field < 22 && at != std::string::npos; ++field) at = stat.find(' ', at + 1);
    if (at == std::string::npos) return 0;
    unsigned long long ticks = std::strtoull(stat.c_str() + at + 1, nullptr, 10);
    long perSecond = sysconf(_SC_CLK_TCK);
    timespec now{};
    if (perSecond <= 0 || clock_gettime(CLOCK_BOOTTIME, &now) != 0) return 0;
    unsigned long long nowMs = static_cast<unsigned long long>(now.tv_sec) * 1000u + now.tv_nsec / 1000000;
    unsigned long long startMs = ticks * 1000u / static_cast<unsigned long long>(perSecond);
    return nowMs > startMs ? nowMs - startMs : 0;
}

} // namespace

uint64_t millisecondsSinceProcessStart() noexcept {
    try {
        return processAgeMilliseconds();
    } catch (...) {
        return 0;
    }
}

uint32_t currentProcessId() noexcept { return static_cast<uint32_t>(getpid()); }

bool openSink(const SinkChoice& choice) noexcept {
    if (choice.kind == SinkKind::StandardError) {
        sinkDescriptor = STDERR_FILENO;
        return true;
    }
    try {
        std::string path = toNarrow(choice.path);
        // Never through a link that someone put in the trace file's place,
        // and readable by its owner only: a trace names the user's files.
        int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd < 0) return false;
        fileSink.reset(fd);
        sinkDescriptor = fd;
        return true;
    } catch (...) {
        return false;
    }
}

void writeSink(std::string_view bytes) noexcept {
    if (sinkDescriptor < 0) return;
    // One write per line: lines of processes that share the file (a second
    // start, a paired launcher) do not interleave within a line.
    while (!bytes.empty()) {
        ssize_t written = ::write(sinkDescriptor, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return;
        bytes.remove_prefix(static_cast<size_t>(written));
    }
}

void closeSink() noexcept {
    sinkDescriptor = -1;
    fileSink.reset();
}

} // namespace launcher::trace
