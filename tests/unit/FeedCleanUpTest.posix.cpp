// What a removal of a feed entry cannot finish stays under a name the next
// install clears as its own leftover, never under the entry's name.

#include "install/RuntimeInstall.h"
#include "support/TestSupport.h"
#include "update/FeedState.h"
#include "update/FeedStateFile.h"
#include "update/FeedWork.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace launcher {
namespace {

const std::string kDeepFolderName(200, 'x');

// Folders nested deeper than a path may name: the removal, which names
// each file by its whole path, cannot reach the innermost.
void makeTooDeepTree(const std::filesystem::path& top) {
    int fd = ::open(top.c_str(), O_DIRECTORY | O_RDONLY);
    ASSERT_GE(fd, 0);
    for (int depth = 0; depth < 24; ++depth) {
        ASSERT_EQ(::mkdirat(fd, kDeepFolderName.c_str(), 0755), 0);
        const int inner = ::openat(fd, kDeepFolderName.c_str(), O_DIRECTORY | O_RDONLY);
        ::close(fd);
        fd = inner;
        ASSERT_GE(fd, 0);
    }
    ::close(::openat(fd, "file", O_CREAT | O_WRONLY, 0644));
    ::close(fd);
}

// The test's own removal, relative to each folder, so any depth goes.
void removeDeepTree(int parent, const char* name) {
    const int fd = ::openat(parent, name, O_DIRECTORY | O_RDONLY | O_NOFOLLOW);
    if (fd < 0) {
        ::unlinkat(parent, name, 0);
        return;
    }
    if (DIR* folder = ::fdopendir(fd)) {
        while (const dirent* item = ::readdir(folder)) {
            if (std::string(item->d_name) != "." && std::string(item->d_name) != "..") removeDeepTree(fd, item->d_name);
        }
        ::closedir(folder);
    }
    ::unlinkat(parent, name, AT_REMOVEDIR);
}

TEST(FeedCleanUp, WhatARemovalLeavesIsAnInstallLeftover) {
    test::TempFolder root;
    const std::filesystem::path entry = root.path() / "cccccccccccccccc";
    std::filesystem::create_directories(root.path() / "0123456789abcdef");
    std::filesystem::create_directories(entry);
    test::writeBytes(root.path() / "cccccccccccccccc.in-use", "");
    makeTooDeepTree(entry);
    ASSERT_TRUE(saveFeedState(root.text(kFeedStateFileName), FeedState{}));

    EXPECT_EQ(removeUnusedEntries(root.text(u"0123456789abcdef"), {}, nullptr),
              TextList{u"runtime feed: removed entry cccccccccccccccc, which no start needs any more"});
    EXPECT_FALSE(std::filesystem::exists(entry));
    int leftovers = 0;
    for (const auto& item : std::filesystem::directory_iterator(root.path())) {
        const std::string name = item.path().filename().string();
        if (!name.starts_with("cccccccccccccccc")) continue;
        ++leftovers;
        EXPECT_TRUE(isInstallLeftover(fromAscii(name))) << name;
        const int fd = ::open(root.path().c_str(), O_DIRECTORY | O_RDONLY);
        removeDeepTree(fd, name.c_str());
        ::close(fd);
    }
    EXPECT_EQ(leftovers, 1);
}

} // namespace
} // namespace launcher
