// Memory shares rewritten into kilobytes and the stack size of "-Xss", as
// the parameter line passes them through.

#include "vmopts/MemoryOptions.h"
#include "vmopts/VmOptionsBuilder.h"

#include <gtest/gtest.h>

namespace launcher {
namespace {

constexpr uint64_t kGiB = uint64_t{1} << 30;
constexpr uint64_t kLargest = ~uint64_t{0};

struct OptionCase {
    const char* label;
    uint64_t physicalGiB;
    std::u16string option;
    std::u16string passed; // what the runtime gets
    uint64_t stackSize;
};
void PrintTo(const OptionCase& c, std::ostream* os) { *os << c.label; }

class MemoryOptionTest : public testing::TestWithParam<OptionCase> {};

TEST_P(MemoryOptionTest, Rewrite) {
    const OptionCase& c = GetParam();
    // The address space differs from physical memory so that T and P cannot
    // be confused: 64 GiB and 3 bytes, cut to whole kilobytes.
    MemoryFigures memory{c.physicalGiB * kGiB, 64 * kGiB + 3};
    uint64_t stackSize = 0;
    EXPECT_EQ(vmParameterOptions(c.option, memory, stackSize), TextList{c.passed});
    EXPECT_EQ(stackSize, c.stackSize);
}

INSTANTIATE_TEST_SUITE_P(
    Options, MemoryOptionTest,
    testing::Values(
        OptionCase{"Half", 16, u"-Xmx50P", u"-Xmx8388608K", 0},
        OptionCase{"Capped", 16, u"-Xmx25:512:2048P", u"-Xmx2097152K", 0},
        OptionCase{"Truncated", 8, u"-Xmx33P", u"-Xmx2768240K", 0},
        OptionCase{"MinimumWinsOverMaximum", 16, u"-Xmx50:4096:1024p", u"-Xmx4194304K", 0},
        OptionCase{"AddressSpace", 16, u"-Xmx10t", u"-Xmx6710886K", 0},
        OptionCase{"QuotedShare", 16, u"\"-Xmx50P\"", u"-Xmx8388608K", 0},
        OptionCase{"StackShare", 8, u"-Xss1P", u"-Xss83886K", 83886 * 1024},
        OptionCase{"AbsoluteUnchanged", 16, u"-Xmx512m", u"-Xmx512m", 0},
        OptionCase{"LowerCaseNameUnchanged", 16, u"-xmx50P", u"-xmx50P", 0},
        OptionCase{"ShareOverflowsHeldAtLargest", 16, u"-Xmx99999999999999999999999P",
                   u"-Xmx18446744073709551615K", 0},
        // 2^54 + 1 megabytes: times 1024 it would wrap to 1024 and cap
        // everything at one megabyte.
        OptionCase{"HugeMaximumIsNoTinyCap", 16, u"-Xmx50:0:18014398509481985P", u"-Xmx8388608K", 0},
        OptionCase{"StackKilobytes", 16, u"-Xss512k", u"-Xss512k", 524288},
        OptionCase{"StackMegabytes", 16, u"-Xss2m", u"-Xss2m", 2097152},
        OptionCase{"StackGigabytes", 16, u"-Xss1G", u"-Xss1G", 1073741824},
        OptionCase{"StackBytes", 16, u"-Xss65536", u"-Xss65536", 65536},
        OptionCase{"StackWithoutValue", 16, u"-Xss", u"-Xss", 0},
        OptionCase{"StackWithColon", 16, u"-Xss1:2k", u"-Xss1:2k", 0},
        OptionCase{"StackNotStartingWithDigit", 16, u"-Xssk", u"-Xssk", 0},
        OptionCase{"StackOverflowHeldAtLargest", 16, u"-Xss99999999999g", u"-Xss99999999999g", kLargest}),
    [](const testing::TestParamInfo<OptionCase>& info) { return std::string(info.param.label); });

TEST(VmParameterOptions, LaterStackOptionDecidesAndBothPass) {
    uint64_t stackSize = 0;
    EXPECT_EQ(vmParameterOptions(u"-Xss2m -Xmx1g -Xss512k", {}, stackSize),
              (TextList{u"-Xss2m", u"-Xmx1g", u"-Xss512k"}));
    EXPECT_EQ(stackSize, 524288u);
}

TEST(ReadMemoryFigures, ReportsTheMachine) {
    MemoryFigures memory = readMemoryFigures();
    EXPECT_GT(memory.totalPhysical, 64u << 20);
    EXPECT_GT(memory.availableVirtual, 64u << 20);
}

} // namespace
} // namespace launcher
