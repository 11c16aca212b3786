// The heap limit on the real runtime, written as a size and as a share of
// the machine's memory, read back through Runtime.maxMemory.

#include "RealRuntime.win32.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <string>

namespace launcher {
namespace {

constexpr uint64_t kMb = 1024 * 1024;

// Total physical memory in megabytes as Windows reports it, the base of a
// share written with P.
uint64_t physicalMb() {
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof status;
    EXPECT_TRUE(GlobalMemoryStatusEx(&status));
    return status.ullTotalPhys / kMb;
}

// The expected limit in bytes: a share is of the physical memory counted in
// kilobytes, whole kilobytes, then held between the minimum and the maximum
// (megabytes; a maximum of 0 is none, the minimum wins over the maximum).
uint64_t share(uint64_t percent, uint64_t minimumMb = 0, uint64_t maximumMb = 0) {
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof status;
    GlobalMemoryStatusEx(&status);
    uint64_t kilobytes = static_cast<uint64_t>(static_cast<double>(status.ullTotalPhys / 1024) * (percent / 100.0));
    if (maximumMb != 0 && kilobytes > maximumMb * 1024) kilobytes = maximumMb * 1024;
    if (kilobytes < minimumMb * 1024) kilobytes = minimumMb * 1024;
    return kilobytes * 1024;
}

struct HeapRow {
    const char* name;
    // The option as written, and the limit it should give in bytes, both
    // from the machine's memory.
    std::function<std::string()> option;
    std::function<uint64_t()> limit;
};

class RealHeap : public test::RealRuntimeTest, public ::testing::WithParamInterface<HeapRow> {};

// The runtime rounds the limit up to its heap's alignment (a region of at
// most 32 MB) and, with a collector that keeps a survivor space aside,
// reports somewhat less; anything outside these bounds is another limit.
TEST_P(RealHeap, MaxMemoryFollowsTheOption) {
    const std::string option = GetParam().option();
    writeIni(jrePathLine() + "Virtual Machine Parameters=" + option + "\r\n", {}, "realapp.LaunchReport");
    const test::CapturedRun run = start({});
    ASSERT_EQ(run.exitCode, 0u) << run.out << run.err;
    const uint64_t limit = GetParam().limit();
    const uint64_t reported = std::stoull(test::reported(run.out, "maxMemory"));
    EXPECT_GE(reported, limit / 100 * 85) << option << ": " << reported / kMb << " MB of " << limit / kMb << " MB";
    EXPECT_LE(reported, limit + 32 * kMb) << option << ": " << reported / kMb << " MB of " << limit / kMb << " MB";
}

// Each share is chosen from the machine's memory so that the bound it
// names is the one that decides, and a launcher that ignored it would give
// a limit outside the bounds (the runtime's own default is a quarter).
INSTANTIATE_TEST_SUITE_P(
    Real, RealHeap,
    ::testing::Values(HeapRow{"Absolute", [] { return std::string("-Xmx200m"); }, [] { return 200 * kMb; }},
                      HeapRow{"HalfOfMemory", [] { return std::string("-Xmx50P"); }, [] { return share(50); }},
                      HeapRow{"LowerCaseUnit", [] { return std::string("-Xmx10p"); }, [] { return share(10); }},
                      // 1 percent is below the minimum, which then holds.
                      HeapRow{"Minimum",
                              [] { return "-Xmx1:" + std::to_string(physicalMb() / 100 + 300) + "P"; },
                              [] { return share(1, physicalMb() / 100 + 300); }},
                      HeapRow{"Maximum", [] { return std::string("-Xmx90:0:200P"); }, [] { return 200 * kMb; }},
                      HeapRow{"MinimumOverMaximum", [] { return std::string("-Xmx50:300:200P"); },
                              [] { return 300 * kMb; }}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace launcher
