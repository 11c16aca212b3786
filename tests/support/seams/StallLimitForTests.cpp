// The stall limit of the test programs: linked ahead of the launcher's
// own, so that a test of a silent server ends in about a second, and a
// test of Cancel can set a limit that Cancel must beat.

#include "install/Download.h"
#include "support/StallLimitForTests.h"

namespace launcher {

namespace test {
std::atomic<long long> stallLimitMilliseconds{1000};
} // namespace test

std::chrono::milliseconds downloadStallLimit() {
    return std::chrono::milliseconds(test::stallLimitMilliseconds.load());
}

} // namespace launcher
