// The start-up cache's file steps on the real file system of each platform
// (under Wine for Windows): what the decisions and the background assembly
// rely on.

#include "launcher/CacheAssembly.h"
#include "vmopts/StartupCache.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>

namespace launcher {
namespace {

namespace fs = std::filesystem;

TEST(CacheFiles, ListRenameCreateAndTellFolders) {
    test::TempFolder folder;
    CacheFiles& files = platformCacheFiles();
    const std::u16string base = folder.path().u16string();
    const std::u16string sep(1, kPathSeparator);
    test::writeBytes(folder.path() / "a.aot.1.tmp", "new");
    test::writeBytes(folder.path() / "a.aot", "old");
    fs::create_directories(folder.path() / "empty");
    fs::create_directories(folder.path() / "classes");
    test::writeBytes(folder.path() / "classes" / "x.class", "");

    TextList names = files.folderEntries(base);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (TextList{u"a.aot", u"a.aot.1.tmp", u"classes", u"empty"}));
    EXPECT_TRUE(files.folderEntries(base + sep + u"missing").empty());

    EXPECT_TRUE(files.isFolderWithEntries(base + sep + u"classes"));
    EXPECT_FALSE(files.isFolderWithEntries(base + sep + u"empty"));
    EXPECT_FALSE(files.isFolderWithEntries(base + sep + u"a.aot"));
    EXPECT_FALSE(files.isFolderWithEntries(base + sep + u"missing"));

    // Renaming replaces the file in place.
    EXPECT_TRUE(files.renameFile(base + sep + u"a.aot.1.tmp", base + sep + u"a.aot"));
    EXPECT_EQ(test::readBytes(folder.path() / "a.aot"), "new");
    EXPECT_FALSE(fs::exists(folder.path() / "a.aot.1.tmp"));
    EXPECT_FALSE(files.renameFile(base + sep + u"gone", base + sep + u"a.aot"));

    EXPECT_TRUE(files.createEmptyFile(base + sep + u"mark"));
    EXPECT_EQ(fs::file_size(folder.path() / "mark"), 0u);
    EXPECT_FALSE(files.createEmptyFile(base + sep + u"mark")) << "one is there";

    const std::optional<int64_t> fresh = files.ageInSeconds(base + sep + u"mark");
    ASSERT_TRUE(fresh);
    EXPECT_LE(*fresh, 60);
    fs::last_write_time(folder.path() / "mark", fs::last_write_time(folder.path() / "mark") - std::chrono::hours(240));
    const std::optional<int64_t> old = files.ageInSeconds(base + sep + u"mark");
    ASSERT_TRUE(old);
    EXPECT_NEAR(static_cast<double>(*old), 240.0 * 3600, 120);
    EXPECT_FALSE(files.ageInSeconds(base + sep + u"missing"));

    EXPECT_TRUE(files.processRuns(files.processId()));
    EXPECT_FALSE(files.processRuns(999999999));
}

// One assembly of a cache at a time: a second one gives way while the first
// holds the lock, and may go on once it has ended.
TEST(CacheFiles, OneAssemblyHoldsTheLock) {
    test::TempFolder folder;
    const std::u16string lock = (folder.path() / "app-1.aotlock").u16string();
    {
        const assembly::Lock first(lock);
        ASSERT_TRUE(first.held());
        const assembly::Lock second(lock);
        EXPECT_FALSE(second.held());
    }
    const assembly::Lock again(lock);
    EXPECT_TRUE(again.held());
    const assembly::Lock unusable((folder.path() / "missing" / "app-1.aotlock").u16string());
    EXPECT_FALSE(unusable.held());
}

} // namespace
} // namespace launcher
