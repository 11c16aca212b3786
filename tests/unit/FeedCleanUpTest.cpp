// The clean-up of the feed's runtimes: only folders a look installed (with
// a lock file beside them) go, never one a start needs or holds, and
// nothing while the current entry has not started a program yet.

#include "base/PathText.h"
#include "install/InstallLock.h"
#include "support/TestSupport.h"
#include "update/FeedStateFile.h"
#include "update/FeedWork.h"
#include "update/RuntimeUse.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>

namespace launcher {
namespace {

const std::u16string kA(64, u'a'), kB(64, u'b'), kC(64, u'c');
constexpr std::u16string_view kPin = u"0123456789abcdef";
// A folder with an entry's name but no lock file: not the feed's.
constexpr std::u16string_view kForeign = u"dddddddddddddddd";

std::u16string name(const std::u16string& sha256) { return sha256.substr(0, 16); }

// The product's runtime folder: the pinned runtime (with a lock file, as
// when a feed entry once had its checksum), entries A, B and C installed
// by looks, a folder of another's and a stray lock file.
struct RuntimeFolder {
    test::TempFolder root;
    RuntimeFolder() {
        for (std::u16string_view folder : {kPin, std::u16string_view(kForeign)}) {
            std::filesystem::create_directories(root.path() / test::toPath(folder) / "lib");
        }
        test::writeBytes(root.path() / "0123456789abcdef.in-use", "");
        for (const std::u16string* sha256 : {&kA, &kB, &kC}) {
            std::filesystem::create_directories(root.path() / test::toPath(name(*sha256)) / "lib");
            test::writeBytes(root.path() / test::toPath(name(*sha256)) / "lib" / "libjvm.so", "x");
            test::writeBytes(root.path() / test::toPath(name(*sha256) + u".in-use"), "");
        }
        test::writeBytes(root.path() / "ABCDEF0123456789.in-use", "");
    }
    std::u16string pin() const { return root.text(kPin); }
    void save(const FeedState& state) const { ASSERT_TRUE(saveFeedState(root.text(kFeedStateFileName), state)); }
    std::set<std::u16string> folders() const {
        std::set<std::u16string> names;
        for (const auto& item : std::filesystem::directory_iterator(root.path())) {
            if (item.is_directory()) names.insert(item.path().filename().u16string());
        }
        return names;
    }
};

FeedState usedOf(const std::u16string& current, const std::u16string& started, TextList bad = {}) {
    FeedState state;
    state.currentEntry = current;
    state.currentVersion = current.empty() ? u"" : u"26.0.2";
    state.startedEntry = started;
    state.startedVersion = started.empty() ? u"" : u"26.0.1";
    state.badEntries = std::move(bad);
    return state;
}

TEST(FeedCleanUp, RemovesOnlyWhatNoStartNeeds) {
    struct Row {
        const char* name;
        FeedState state;
        std::u16string running;
        std::u16string held; // an entry another start holds in use
        std::set<std::u16string> kept;
    };
    const Row rows[] = {
        {"current proven", usedOf(kA, kA), {}, {}, {name(kA)}},
        {"current unproven: nothing", usedOf(kA, kB), {}, {}, {name(kA), name(kB), name(kC)}},
        {"current unproven, nothing started", usedOf(kA, {}), {}, {}, {name(kA), name(kB), name(kC)}},
        {"current bad: it goes, the started one stays", usedOf(kA, kB, {kA}), {}, {}, {name(kB)}},
        {"running kept", usedOf(kA, kA), kC, {}, {name(kA), name(kC)}},
        {"held kept", usedOf(kA, kA), {}, kB, {name(kA), name(kB)}},
        {"no state: only the running", FeedState{}, kB, {}, {name(kB)}},
    };
    for (const Row& row : rows) {
        RuntimeFolder folder;
        folder.save(row.state);
        RuntimeUseLock other;
        if (!row.held.empty()) {
            ASSERT_TRUE(other.holdShared(runtimeUsePath(folder.root.text(name(row.held))))) << row.name;
        }
        const TextList lines = removeUnusedEntries(folder.pin() + kPathSeparator, row.running, nullptr);
        std::set<std::u16string> expected = row.kept;
        expected.insert(std::u16string(kPin));
        expected.insert(std::u16string(kForeign));
        EXPECT_EQ(folder.folders(), expected) << row.name;
        // A removed entry's lock file goes with it; a kept one's stays.
        for (const std::u16string* sha256 : {&kA, &kB, &kC}) {
            EXPECT_EQ(std::filesystem::exists(folder.root.path() / test::toPath(name(*sha256) + u".in-use")),
                      expected.contains(name(*sha256)))
                << row.name << ' ' << toUtf8(name(*sha256));
        }
        EXPECT_TRUE(std::filesystem::exists(folder.root.path() / "0123456789abcdef.in-use")) << row.name;
        const size_t removed = 3 - (row.kept.size());
        EXPECT_EQ(lines.size(), removed + (row.held.empty() ? 0 : 1)) << row.name;
        if (!row.held.empty()) {
            EXPECT_NE(std::find(lines.begin(), lines.end(), u"runtime feed: entry " + name(row.held) + u" is in use: kept"),
                      lines.end())
                << row.name;
        }
    }
}

TEST(FeedCleanUp, LockFileWithoutFolderGoes) {
    RuntimeFolder folder;
    folder.save(usedOf(kA, kA));
    std::filesystem::remove_all(folder.root.path() / test::toPath(name(kB)));
    const TextList lines = removeUnusedEntries(folder.pin(), {}, nullptr);
    EXPECT_FALSE(std::filesystem::exists(folder.root.path() / test::toPath(name(kB) + u".in-use")));
    EXPECT_EQ(lines.size(), 2u);
}

TEST(FeedCleanUp, NothingWhileAnotherStartInstallsOrWhenCancelled) {
    RuntimeFolder folder;
    folder.save(usedOf(kA, kA));
    {
        InstallLock install;
        ASSERT_EQ(install.acquire(folder.root.text(u"install.lock"), std::chrono::milliseconds(0), nullptr),
                  InstallLock::Outcome::Locked);
        EXPECT_EQ(removeUnusedEntries(folder.pin(), {}, nullptr),
                  TextList{u"runtime feed: another start installs: no clean-up this time"});
    }
    const std::atomic<bool> cancel{true};
    removeUnusedEntries(folder.pin(), {}, &cancel);
    EXPECT_EQ(folder.folders().size(), 5u);
}

} // namespace
} // namespace launcher
