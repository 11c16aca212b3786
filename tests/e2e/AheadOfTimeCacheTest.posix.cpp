// The ahead-of-time cache with a real runtime of version 25 or newer: a
// start records, a background process assembles, later starts use the
// cache; whatever happens to the files or the assembly, every start runs
// the program as it would without the cache and prints nothing more.

#include "base/Environment.h"
#include "base/RawVariable.h"
#include "base/ModulePath.h"
#include "base/PathText.h"
#include "support/ChildProcess.h"
#include "support/InstalledRuntimes.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <set>
#include <sstream>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace launcher {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// The processes of the background assembly of the cache in cacheFolder:
// their environment holds the request they were started with, which names
// the folder (other tests may run at the same time, with their own).
std::vector<pid_t> assemblyProcesses(const fs::path& cacheFolder) {
    std::vector<pid_t> found;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator("/proc", error)) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos) continue;
        const std::string environment = test::readBytes(entry.path() / "environ");
        if (environment.find("QX_LAUNCHER_STARTUP_CACHE_ASSEMBLY=") != std::string::npos &&
            environment.find(cacheFolder.string()) != std::string::npos) {
            found.push_back(static_cast<pid_t>(std::stoi(name)));
        }
    }
    return found;
}

class AheadOfTimeCache : public ::testing::Test {
protected:
    test::TempFolder folder;
    fs::path exe = folder.path() / "app";
    fs::path cache = folder.path() / "cache";
    fs::path cacheFolder = cache / "Cached App" / "7";
    fs::path log = folder.path() / "aot.log";
    fs::path runtime;
    test::EnvironmentOverride cacheHome{u"XDG_CACHE_HOME", fromUtf8(cache.string())};
    // Runtime 25's cache writer copies past the end of a buffer of its own:
    // not the launcher's fault to find in the address-checked build.
    test::EnvironmentOverride unchecked{u"ASAN_OPTIONS",
                                        getEnvironmentVariable(u"ASAN_OPTIONS").value_or(u"") + u":replace_intrin=0"};

    void SetUp() override {
        const auto runtimes = test::installedRuntimes(25);
        if (runtimes.empty()) GTEST_SKIP() << "no runtime of version 25 or newer under /usr/lib/jvm";
        runtime = runtimes.back().second;
        fs::copy_file(test::buildFolder() / "bin" / "launcher", exe);
        fs::create_directories(folder.path() / "lib");
        fs::copy_file(test::buildFolder() / "java" / "probe.jar", folder.path() / "lib" / "probe.jar");
        writeIni("Yes");
    }
    void TearDown() override {
        // Nothing of a test may go on writing into the next one's folders.
        for (pid_t id : assemblyProcesses(cacheFolder)) kill(id, SIGKILL);
    }
    // The application's own log of the runtime's cache work goes to a file:
    // it shows that the cache is used and that the application's logging
    // options still work.
    void writeIni(const std::string& startupCache, const std::string& extra = "",
                  const std::string& classPath = "lib/*.jar", const std::string& parameters = "") {
        test::writeBytes(folder.path() / "app.ini",
                         "[Product Information]\nProduct Name=Cached App\nProduct Code=7\n"
                         "[Java Runtime Environment]\nMain Class=probe.Main\nJRE Path=" + runtime.string() +
                             "\nVirtual Machine Parameters=" + parameters + " -Xlog:aot=info:file=" + log.string() +
                             "\n[Class Path]\nClass Path=" + classPath + "\n[Application]\nStartup Cache=" + startupCache +
                             "\n" + extra);
    }
    test::ChildResult start(const std::vector<std::string>& arguments = {"print"}) {
        return test::runChild(exe.string(), arguments, 120, folder.path().string());
    }
    test::ChildResult plainStart(const std::vector<std::string>& arguments = {"print"}) {
        writeIni("No");
        test::ChildResult plain = start(arguments);
        writeIni("Yes");
        return plain;
    }
    std::set<std::string> files() const {
        std::set<std::string> names;
        std::error_code error;
        for (const fs::directory_entry& entry : fs::directory_iterator(cacheFolder, error)) {
            names.insert(entry.path().filename().string());
        }
        return names;
    }
    std::string listing() const {
        std::string text;
        for (const std::string& name : files()) text += " " + name;
        return text;
    }
    std::string withExtension(const std::string& extension) const {
        for (const std::string& name : files()) {
            if (name.size() > extension.size() && name.ends_with(extension)) return name;
        }
        return {};
    }
    // True while an assembly holds the cache's lock. Read from the system's
    // list of locks: taking the lock to try it would make an assembly that
    // starts at that moment give up.
    bool assemblyRuns() const {
        const std::string lock = withExtension(".aotlock");
        struct stat info{};
        if (lock.empty() || stat((cacheFolder / lock).c_str(), &info) != 0) return false;
        std::istringstream locks(test::readBytes("/proc/locks"));
        const std::string file = ":" + std::to_string(info.st_ino);
        for (std::string line; std::getline(locks, line);) {
            std::istringstream fields(line);
            std::string number, kind, mode, access, owner, where;
            fields >> number >> kind >> mode >> access >> owner >> where;
            if (kind == "FLOCK" && where.size() > file.size() && where.ends_with(file)) return true;
        }
        return false;
    }
    bool waitUntil(const std::function<bool()>& condition, std::chrono::seconds limit = 120s) const {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (!condition()) {
            if (std::chrono::steady_clock::now() > end) return false;
            std::this_thread::sleep_for(50ms);
        }
        return true;
    }
    // Until the assembly has ended and left its cache (or its mark of
    // failure); true when the cache is there.
    bool waitForCache() const {
        waitUntil([this] {
            const bool ended = !withExtension(".aot").empty() || !withExtension(".aotfailed").empty();
            return ended && !assemblyRuns() && assemblyProcesses(cacheFolder).empty();
        });
        return !withExtension(".aot").empty();
    }
    bool cacheUsed() const { return test::readBytes(log).find("Opened AOT cache") != std::string::npos; }
};

TEST_F(AheadOfTimeCache, RecordsAssemblesAndIsUsedWithoutAWord) {
    const test::ChildResult plain = plainStart({"exit", "7"});
    ASSERT_EQ(plain.exitCode, 7);
    EXPECT_FALSE(fs::exists(cache)) << "the cache is off unless asked for";

    const test::ChildResult recording = start({"exit", "7"});
    EXPECT_EQ(recording.exitCode, 7) << "the exit code goes through the recording start";
    EXPECT_EQ(recording.out, plain.out);
    EXPECT_EQ(recording.err, plain.err);
    EXPECT_FALSE(cacheUsed());

    ASSERT_TRUE(waitForCache());
    const std::string cacheName = withExtension(".aot");
    // The configuration is of no more use, and nothing half-written is left.
    EXPECT_EQ(files(), (std::set<std::string>{cacheName, cacheName + "lock"}));

    for (const auto& arguments : {std::vector<std::string>{"exit", "7"}, std::vector<std::string>{"print"}}) {
        fs::remove(log);
        const test::ChildResult later = start(arguments);
        const test::ChildResult expected = arguments.size() == 2 ? plain : plainStart();
        EXPECT_EQ(later.exitCode, expected.exitCode);
        EXPECT_EQ(later.out, expected.out);
        EXPECT_EQ(later.err, expected.err);
        fs::remove(log);
        start(arguments);
        EXPECT_TRUE(cacheUsed()) << test::readBytes(log).substr(0, 2000);
    }
    EXPECT_EQ(files(), (std::set<std::string>{cacheName, cacheName + "lock"}));
}

// The assembly holds none of the application's single-instance names: a
// start while it runs is the primary and runs main itself.
TEST_F(AheadOfTimeCache, AStartDuringTheAssemblyRunsMain) {
    writeIni("No", "Single Instance=Yes\n");
    const test::ChildResult plain = start();
    writeIni("Yes", "Single Instance=Yes\n");
    ASSERT_EQ(start().exitCode, 0);
    ASSERT_TRUE(waitUntil([this] { return assemblyRuns(); }, 10s)) << "the assembly ended before the second start";
    // Held still meanwhile: on a busy machine it could otherwise finish
    // before the second start looks for a cache.
    std::set<pid_t> held;
    for (bool more = true; more;) {
        more = false;
        for (pid_t id : assemblyProcesses(cacheFolder)) {
            if (held.insert(id).second && kill(id, SIGSTOP) == 0) more = true;
        }
    }
    const test::ChildResult during = start();
    for (pid_t id : held) kill(id, SIGCONT);
    EXPECT_EQ(during.exitCode, 0);
    EXPECT_EQ(during.out, plain.out);
    EXPECT_EQ(during.err, plain.err);
    EXPECT_FALSE(cacheUsed());
    ASSERT_TRUE(waitForCache());
    EXPECT_EQ(files().size(), 2u) << "one cache and its lock:" << listing();
    fs::remove(log);
    EXPECT_EQ(start().out, plain.out);
    EXPECT_TRUE(cacheUsed());
}

TEST_F(AheadOfTimeCache, TwoStartsRecordingAtOnce) {
    const test::ChildResult plain = plainStart();
    test::ChildResult results[2];
    std::thread other([&] { results[1] = start(); });
    results[0] = start();
    other.join();
    for (const test::ChildResult& r : results) {
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_EQ(r.out, plain.out);
        EXPECT_EQ(r.err, plain.err);
    }
    ASSERT_TRUE(waitForCache());
    EXPECT_EQ(files().size(), 2u) << "one cache and its lock:" << listing();
    fs::remove(log);
    start();
    EXPECT_TRUE(cacheUsed());
}

TEST_F(AheadOfTimeCache, AKilledAssemblyLeavesNothingThatIsUsed) {
    const test::ChildResult plain = plainStart();
    start();
    ASSERT_TRUE(waitUntil([this] { return assemblyRuns(); }, 10s)) << "the assembly ended before it could be killed";
    for (pid_t id : assemblyProcesses(cacheFolder)) kill(id, SIGKILL);
    ASSERT_TRUE(waitUntil([this] { return assemblyProcesses(cacheFolder).empty(); }, 10s));
    EXPECT_EQ(withExtension(".aot"), "");

    // The next start runs as without the cache and starts the assembly anew.
    const test::ChildResult after = start();
    EXPECT_EQ(after.exitCode, 0);
    EXPECT_EQ(after.out, plain.out);
    EXPECT_EQ(after.err, plain.err);
    EXPECT_FALSE(cacheUsed());
    ASSERT_TRUE(waitForCache());
    EXPECT_EQ(files().size(), 2u) << "the killed assembly's file is gone:" << listing();
    fs::remove(log);
    start();
    EXPECT_TRUE(cacheUsed());
}

TEST_F(AheadOfTimeCache, BrokenStaleAndForeignFilesNeverStopAStart) {
    const test::ChildResult plain = plainStart();
    start();
    ASSERT_TRUE(waitForCache());
    const fs::path cacheFile = cacheFolder / withExtension(".aot");
    const std::string whole = test::readBytes(cacheFile);
    // Files of another runtime or class path, a dead writer's temporary
    // file, another program's file.
    for (const char* name : {"app-00000000.aot", "app-00000000.jsa", "app-00000000.aotconf", "app-00000000.aot.999999999.tmp",
                             "other-00000000.aot"}) {
        test::writeBytes(cacheFolder / name, whole.substr(0, 4096));
    }
    for (const std::string& broken : {std::string("not a cache"), whole.substr(0, whole.size() / 3)}) {
        test::writeBytes(cacheFile, broken);
        fs::remove(log);
        const test::ChildResult r = start();
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.out, plain.out);
        EXPECT_EQ(r.err, plain.err);
        EXPECT_FALSE(cacheUsed());
        ASSERT_TRUE(waitForCache());
        EXPECT_EQ(files(), (std::set<std::string>{cacheFile.filename().string(), cacheFile.filename().string() + "lock",
                                                  "other-00000000.aot"}));
    }
    // A class path file newer than the cache: recorded again.
    fs::last_write_time(folder.path() / "lib" / "probe.jar", fs::last_write_time(cacheFile) + 1s);
    std::this_thread::sleep_for(1100ms);
    fs::remove(log);
    EXPECT_EQ(start().out, plain.out);
    EXPECT_FALSE(cacheUsed());
    ASSERT_TRUE(waitForCache());
    fs::remove(log);
    EXPECT_EQ(start().out, plain.out);
    EXPECT_TRUE(cacheUsed());
}

TEST_F(AheadOfTimeCache, AnUnusableCacheFolderLeavesTheStartAlone) {
    const test::ChildResult plain = plainStart({"exit", "3"});
    // The cache home is a file: no folder can be made in it.
    test::writeBytes(cache, "");
    const test::ChildResult r = start({"exit", "3"});
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_EQ(r.out, plain.out);
    EXPECT_EQ(r.err, plain.err);
    EXPECT_TRUE(fs::is_regular_file(cache));
    EXPECT_TRUE(assemblyProcesses(cacheFolder).empty());
}

// The runtime assembles a configuration only with the options it was
// recorded with that shape the cache: the application's collector and
// object headers go along to the assembly.
TEST_F(AheadOfTimeCache, TheApplicationsCollectorAndHeadersGoToTheAssembly) {
    const std::string parameters = "-XX:+UseSerialGC -XX:+UseCompactObjectHeaders -Dprobe.value=1";
    writeIni("No", "", "lib/*.jar", parameters);
    const test::ChildResult plain = start();
    writeIni("Yes", "", "lib/*.jar", parameters);
    EXPECT_EQ(start().out, plain.out);
    ASSERT_TRUE(waitForCache()) << "no cache was assembled: " << (files().empty() ? "" : *files().begin());
    fs::remove(log);
    const test::ChildResult later = start();
    EXPECT_EQ(later.out, plain.out);
    EXPECT_EQ(later.err, plain.err);
    EXPECT_TRUE(cacheUsed()) << test::readBytes(log).substr(0, 2000);
}

// The runtime refuses to record a class path with a folder of classes: such
// an application gets the class-data archive.
TEST_F(AheadOfTimeCache, AFolderOnTheClassPathGetsTheArchive) {
    fs::create_directories(folder.path() / "classes");
    test::writeBytes(folder.path() / "classes" / "readme.txt", "resources");
    writeIni("No", "", "lib/*.jar;classes");
    const test::ChildResult plain = start();
    writeIni("Yes", "", "lib/*.jar;classes");
    for (int round = 0; round < 2; ++round) {
        const test::ChildResult r = start();
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.out, plain.out);
        EXPECT_EQ(r.err, plain.err);
    }
    EXPECT_NE(withExtension(".jsa"), "");
    EXPECT_EQ(withExtension(".aotconf"), "");
    EXPECT_EQ(withExtension(".aot"), "");
}

} // namespace
} // namespace launcher
