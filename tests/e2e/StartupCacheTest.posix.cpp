// The class-data cache with the machine's real runtimes: every installed
// runtime of version 13 to 24 under /usr/lib/jvm is tried, so that both
// the recording of 13 to 18 and the self-renewing archive of 19 on run.
// Newer runtimes get the ahead-of-time cache (AheadOfTimeCacheTest).

#include "base/Environment.h"
#include "base/RawVariable.h"
#include "base/ModulePath.h"
#include "base/PathText.h"
#include "support/ChildProcess.h"
#include "support/InstalledRuntimes.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <set>
#include <thread>


namespace launcher {
namespace {

namespace fs = std::filesystem;

// Runtime 25's archive writer copies past the end of a buffer of its own.
// In the address-checked build the checker's memcpy would end the program
// for it: the runtime's faults are not the launcher's to find.
test::EnvironmentOverride runtimeCopiesUnchecked() {
    std::optional<std::u16string> options = getEnvironmentVariable(u"ASAN_OPTIONS");
    return test::EnvironmentOverride(u"ASAN_OPTIONS", options.value_or(u"") + u":replace_intrin=0");
}

class StartupCache : public ::testing::TestWithParam<std::pair<int, fs::path>> {
protected:
    test::TempFolder folder;
    fs::path exe = folder.path() / "app";
    fs::path cache = folder.path() / "cache";
    fs::path archiveFolder = cache / "Cached App" / "7";
    test::EnvironmentOverride cacheHome{u"XDG_CACHE_HOME", fromUtf8(cache.string())};
    test::EnvironmentOverride unchecked = runtimeCopiesUnchecked();

    void SetUp() override {
        fs::copy_file(test::buildFolder() / "bin" / "launcher", exe);
        fs::create_directories(folder.path() / "lib");
        fs::copy_file(test::buildFolder() / "java" / "probe.jar", folder.path() / "lib" / "probe.jar");
        writeIni("Yes");
    }
    // The application asks for the runtime's own class-data log in a file:
    // it shows that the archive is mapped and that the application's
    // logging options still work.
    void writeIni(const std::string& cache) {
        test::writeBytes(folder.path() / "app.ini",
                         "[Product Information]\nProduct Name=Cached App\nProduct Code=7\n"
                         "[Java Runtime Environment]\nMain Class=probe.Main\nJRE Path=" + GetParam().second.string() +
                             "\nVirtual Machine Parameters=-Xlog:cds=info:file=" + (folder.path() / "cds.log").string() +
                             "\n[Class Path]\nClass Path=lib/*.jar\n[Application]\nStartup Cache=" + cache + "\n");
    }
    test::ChildResult start(const std::vector<std::string>& arguments = {"print"}) {
        return test::runChild(exe.string(), arguments, 120, folder.path().string());
    }
    std::vector<fs::path> archives() const {
        std::vector<fs::path> files;
        std::error_code error;
        for (const fs::directory_entry& entry : fs::directory_iterator(archiveFolder, error)) files.push_back(entry.path());
        return files;
    }
    bool archiveMapped() const {
        return test::readBytes(folder.path() / "cds.log").find("Mapped dynamic") != std::string::npos;
    }
    // The output of a start without the cache, to compare with.
    test::ChildResult plainStart() {
        writeIni("No");
        test::ChildResult plain = start();
        writeIni("Yes");
        return plain;
    }
};

TEST_P(StartupCache, SecondStartMapsTheArchiveAndNothingIsPrinted) {
    const test::ChildResult plain = plainStart();
    EXPECT_FALSE(fs::exists(cache)) << "the cache is off unless asked for";

    const test::ChildResult first = start({"exit", "7"});
    EXPECT_EQ(first.exitCode, 7) << first.err;
    ASSERT_EQ(archives().size(), 1u);
    EXPECT_FALSE(archiveMapped());

    const test::ChildResult second = start();
    EXPECT_EQ(second.exitCode, 0);
    EXPECT_TRUE(archiveMapped()) << test::readBytes(folder.path() / "cds.log").substr(0, 2000);
    EXPECT_EQ(second.out, plain.out);
    EXPECT_EQ(second.err, plain.err);
}

TEST_P(StartupCache, BrokenArchivesNeverStopAStart) {
    const test::ChildResult plain = plainStart();
    start();
    ASSERT_EQ(archives().size(), 1u);
    const fs::path archive = archives().front();
    const std::string good = test::readBytes(archive);
    for (const std::string& broken : {std::string("not an archive at all"), good.substr(0, good.size() / 3)}) {
        fs::permissions(archive, fs::perms::owner_write, fs::perm_options::add);
        test::writeBytes(archive, broken);
        const test::ChildResult r = start();
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.out, plain.out);
        EXPECT_EQ(r.err, plain.err);
    }
    // A file that is not an archive is replaced: the next start maps again.
    fs::permissions(archive, fs::perms::owner_write, fs::perm_options::add);
    test::writeBytes(archive, "not an archive at all");
    start();
    fs::remove(folder.path() / "cds.log");
    start();
    EXPECT_TRUE(archiveMapped());
}

// The archive of the old class path is of no more use: it goes, so that
// the folder does not grow with every update of the application.
TEST_P(StartupCache, AnotherClassPathGetsItsOwnArchive) {
    start();
    ASSERT_EQ(archives().size(), 1u);
    const fs::path first = archives().front();
    fs::copy_file(test::buildFolder() / "java" / "probe.jar", folder.path() / "lib" / "second.jar");
    start();
    ASSERT_EQ(archives().size(), 1u);
    EXPECT_NE(archives().front(), first);
}

TEST_P(StartupCache, UnusableCacheFolderLeavesTheStartAlone) {
    const test::ChildResult plain = plainStart();
    // The cache home is a file: no folder can be made in it.
    test::writeBytes(cache, "");
    const test::ChildResult r = start();
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, plain.out);
    EXPECT_EQ(r.err, plain.err);
    EXPECT_TRUE(fs::is_regular_file(cache));
}

// The folder that "JRE Path" names gets another runtime (an update put in
// place): the archive of the old one is never offered to the new one, which
// would not use it and would say so on the console.
TEST(StartupCacheReplacedRuntime, GetsItsOwnArchive) {
    const auto runtimes = test::installedRuntimes(13);
    if (runtimes.size() < 2) GTEST_SKIP() << "needs two runtimes of 13 or newer";
    test::TempFolder folder;
    test::EnvironmentOverride cacheHome(u"XDG_CACHE_HOME", fromUtf8((folder.path() / "cache").string()));
    test::EnvironmentOverride unchecked = runtimeCopiesUnchecked();
    fs::copy_file(test::buildFolder() / "bin" / "launcher", folder.path() / "app");
    fs::copy_file(test::buildFolder() / "java" / "probe.jar", folder.path() / "probe.jar");
    const fs::path jre = folder.path() / "jre";
    test::writeBytes(folder.path() / "app.ini", "[Java Runtime Environment]\nMain Class=probe.Main\nJRE Path=jre\n"
                                                "[Class Path]\nClass Path=probe.jar\n[Application]\nStartup Cache=Yes\n");
    std::vector<test::ChildResult> results;
    for (const auto& runtime : {runtimes.front(), runtimes.back(), runtimes.back()}) {
        fs::remove(jre);
        fs::create_directory_symlink(runtime.second, jre);
        results.push_back(test::runChild((folder.path() / "app").string(), {"print"}, 120, folder.path().string()));
        EXPECT_EQ(results.back().exitCode, 0) << results.back().err;
    }
    EXPECT_EQ(results[1].out, results[0].out);
    EXPECT_EQ(results[2].out, results[0].out);
    EXPECT_EQ(results[2].err, results[0].err);
    // Only the files of the runtime now in place are left (those of a
    // background assembly included, once it has ended).
    std::set<std::string> stems;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    do {
        stems.clear();
        for (const auto& entry : fs::directory_iterator(folder.path() / "cache")) {
            const std::string name = entry.path().filename().string();
            if (!name.ends_with(".tmp")) stems.insert(name.substr(0, name.find('.')));
        }
    } while (stems.size() != 1 && std::chrono::steady_clock::now() < end &&
             (std::this_thread::sleep_for(std::chrono::milliseconds(50)), true));
    EXPECT_EQ(stems.size(), 1u);
}

std::vector<std::pair<int, fs::path>> archiveRuntimes() {
    std::vector<std::pair<int, fs::path>> runtimes = test::installedRuntimes(13);
    std::erase_if(runtimes, [](const auto& runtime) { return runtime.first >= 25; });
    return runtimes;
}

INSTANTIATE_TEST_SUITE_P(Runtimes, StartupCache, ::testing::ValuesIn(archiveRuntimes()),
                         [](const auto& info) { return "Java" + std::to_string(info.param.first); });
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(StartupCache);

} // namespace
} // namespace launcher
