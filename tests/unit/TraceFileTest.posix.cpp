// The trace file on Linux: never opened through a link put in its place,
// and made readable by its owner only, whatever the process's umask.

#include "base/Trace.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace launcher {
namespace {

namespace fs = std::filesystem;

TEST(TraceFile, OwnerOnlyAndNeverThroughALink) {
    test::TempFolder folder;
    const fs::path file = folder.path() / "trace.log";
    const mode_t previous = umask(0);
    const bool opened = trace::openSink({trace::SinkKind::File, file.u16string(), {}});
    umask(previous);
    trace::closeSink();
    ASSERT_TRUE(opened);
    struct stat info{};
    ASSERT_EQ(stat(file.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);

    const fs::path target = folder.path() / "target";
    test::writeBytes(target, "kept");
    const fs::path link = folder.path() / "link.log";
    fs::create_symlink(target, link);
    EXPECT_FALSE(trace::openSink({trace::SinkKind::File, link.u16string(), {}}));
    trace::closeSink();
    EXPECT_EQ(test::readBytes(target), "kept");
}

} // namespace
} // namespace launcher
