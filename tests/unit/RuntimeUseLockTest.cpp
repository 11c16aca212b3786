// The lock a start holds on the feed entry it runs on: any number of
// starts share it, a removal holds it alone. Two locks taken in the same
// process must conflict as between processes: the clean-up runs in a
// start that may hold an entry itself.

#include "base/PathText.h"
#include "support/TestSupport.h"
#include "update/RuntimeUse.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace launcher {
namespace {

enum Mode { Shared, Alone };

bool hold(RuntimeUseLock& lock, Mode mode, const std::u16string& path) {
    return mode == Shared ? lock.holdShared(path) : lock.holdAlone(path);
}

TEST(RuntimeUseLock, SharedOrAlone) {
    struct Row {
        Mode first, second;
        bool together;
    };
    const Row rows[] = {{Shared, Shared, true}, {Shared, Alone, false}, {Alone, Shared, false}, {Alone, Alone, false}};
    for (const Row& row : rows) {
        test::TempFolder folder;
        const std::u16string path = runtimeUsePath(folder.text(u"0123456789abcdef"));
        RuntimeUseLock first, second;
        ASSERT_TRUE(hold(first, row.first, path));
        EXPECT_EQ(hold(second, row.second, path), row.together) << row.first << row.second;
        if (!row.together) {
            first.release();
            EXPECT_TRUE(hold(second, row.second, path)) << row.first << row.second;
        }
        second.release();
        {
            RuntimeUseLock ended;
            ASSERT_TRUE(hold(ended, row.first, path));
        }
        EXPECT_TRUE(hold(first, Alone, path)) << "the end of a holder frees the lock";
    }
}

TEST(RuntimeUseLock, OnlyTheHolderAloneRemovesTheFile) {
    test::TempFolder folder;
    const std::u16string entry = folder.text(u"0123456789abcdef");
    const std::u16string path = runtimeUsePath(entry + kPathSeparator);
    EXPECT_EQ(path, entry + u".in-use");
    ASSERT_TRUE(markFeedEntry(entry));
    RuntimeUseLock user, remover;
    ASSERT_TRUE(user.holdShared(path));
    EXPECT_FALSE(remover.holdAlone(path));
    remover.removeFile(); // failed to lock: must leave the user's file
    EXPECT_TRUE(std::filesystem::exists(test::toPath(path)));
    user.release();
    ASSERT_TRUE(remover.holdAlone(path));
    remover.removeFile();
    remover.release(); // Windows deletes the file as its last handle closes
    EXPECT_FALSE(std::filesystem::exists(test::toPath(path)));
    EXPECT_FALSE(markFeedEntry(folder.text(u"missing/0123456789abcdef")));
}

} // namespace
} // namespace launcher
