#include "install/LongPath.win32.h"

#include <gtest/gtest.h>

namespace launcher {
namespace {

// Folder creation stops at 248 characters, so the long form starts before
// MAX_PATH; it only ever goes on absolute paths, which it alone can hold.
TEST(LongPath, AbsolutePathsNearTheLimitTakeTheLongForm) {
    const std::u16string deep(250, u'x');
    const std::pair<std::u16string, std::u16string> cases[] = {
        {u"C:\\short\\path", u"C:\\short\\path"},
        {u"C:\\" + deep, u"\\\\?\\C:\\" + deep},
        {u"\\\\server\\share\\" + deep, u"\\\\?\\UNC\\server\\share\\" + deep},
        {u"\\\\?\\C:\\" + deep, u"\\\\?\\C:\\" + deep},
        {u"relative\\" + deep, u"relative\\" + deep},
    };
    for (const auto& [path, expected] : cases) EXPECT_EQ(systemPath(path), expected);
}

} // namespace
} // namespace launcher
