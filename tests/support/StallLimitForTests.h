#pragma once
// The stall limit that a test program's downloads see (seams/StallLimitForTests.cpp):
// one second unless a test sets another.

#include <atomic>

namespace launcher::test {

extern std::atomic<long long> stallLimitMilliseconds;

} // namespace launcher::test
