// The libraries the Linux launcher needs at load time: the C library only.
// zlib, which serves only a runtime's install, is loaded when that begins.

#include "support/ChildProcess.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace launcher {
namespace {

TEST(LauncherLibraries, ZlibIsNotLoadedAtStart) {
    // The dynamic loader lists what it maps and runs nothing (as ldd does).
    test::EnvironmentOverride listOnly{u"LD_TRACE_LOADED_OBJECTS", u"1"};
    const test::ChildResult listed = test::runChild((test::buildFolder() / "bin" / "launcher").string(), {}, 60);
    ASSERT_EQ(listed.exitCode, 0) << listed.err;
    EXPECT_NE(listed.out.find("libc.so.6"), std::string::npos) << listed.out;
    EXPECT_EQ(listed.out.find("libz.so"), std::string::npos) << listed.out;
}

} // namespace
} // namespace launcher
