// The runtime feed through the whole launcher, with the machine's real
// runtime: a jlink image of java.base, made once, relabelled in its release
// file to a pinned version and to newer ones of the same feature release,
// served over loopback beside a feed signed with the openssl CLI. The probe
// program prints the home of the runtime it runs on; the server's request
// log tells what each start fetched, and when.

#include "base/Sha256.h"
#include "install/RuntimeInstall.h"
#include "probe/StandinProbe.h"
#include "support/ArchiveBuilder.h"
#include "support/ChildProcess.h"
#include "support/InstalledRuntimes.h"
#include "support/LoopbackServer.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <future>
#include <map>
#include <memory>
#include <regex>
#include <set>
#include <thread>

namespace launcher {
namespace {

namespace fs = std::filesystem;
using test::ServedReply;
using Clock = std::chrono::steady_clock;

const char* const kOpenssl = "/usr/bin/openssl";
// The pinned runtime and two entries of a row, installed, with the start-up
// cache's own margin.
constexpr std::uintmax_t kRoomNeeded = 512ull << 20;

std::string sha256Of(const std::string& bytes) {
    Sha256 hash;
    hash.update(bytes);
    return sha256Hex(*hash.finish());
}

// Made once for the suite: jlink and the archives take a while.
struct Suite {
    test::TempFolder folder;
    std::string skip;
    int major = 0;
    std::vector<test::ZipItem> items; // the image's files, release last
    fs::path key;
    std::string publicKey; // base64 of the DER public key, as the INI takes it
    std::map<std::string, std::string> archives;
};
std::unique_ptr<Suite> suite;

// How a runtime of the feed may be unable to start a program.
enum class Breakage {
    None,
    // Its VM library returns an error from JNI_CreateJavaVM (the stand-in's),
    // and it has no java program the look could ask first.
    CreateFails,
    // Without lib/modules: the runtime says so and ends the process itself
    // while the VM is made.
    NoModules,
};

// The image packed with its release file saying version.
const std::string& runtimeArchive(const std::string& version, Breakage breakage = Breakage::None) {
    std::string& archive = suite->archives[version + "-" + std::to_string(static_cast<int>(breakage))];
    if (!archive.empty()) return archive;
    std::vector<test::ZipItem> items;
    for (const test::ZipItem& item : suite->items) {
        if (breakage == Breakage::NoModules && item.name.ends_with("/lib/modules")) continue;
        if (breakage == Breakage::CreateFails && item.name.ends_with("/bin/java")) continue;
        items.push_back(item);
        if (breakage == Breakage::CreateFails && item.name.ends_with("/lib/server/libjvm.so")) {
            items.back().data = test::readBytes(test::standinLibrary("create-fails"));
        }
        if (!item.name.ends_with("/release")) continue;
        items.back().data = std::regex_replace(item.data, std::regex("JAVA_VERSION=\"[^\"]*\""),
                                               "JAVA_VERSION=\"" + version + "\"");
    }
    archive = test::buildZip(items);
    return archive;
}

bool has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

test::ChildResult openssl(const std::vector<std::string>& arguments) { return test::runChild(kOpenssl, arguments); }

class RuntimeFeed : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        suite = std::make_unique<Suite>();
        const fs::path jdk = test::jdkWithJlink();
        if (jdk.empty() || !fs::exists(kOpenssl)) {
            suite->skip = jdk.empty() ? "no JDK with jlink and jmods under /usr/lib/jvm" : "no openssl to sign a feed";
            return;
        }
        // A row installs up to three copies of the image; some machines
        // here run with a nearly full disk.
        const std::uintmax_t room = fs::space(suite->folder.path()).available;
        if (room < kRoomNeeded) {
            suite->skip = "the temporary folder has " + std::to_string(room >> 20) + " MB free; the rows need " +
                          std::to_string(kRoomNeeded >> 20) + " MB";
            return;
        }
        // With its default class-data archive, which the start-up cache
        // builds on; compressed, as the rows copy it several times.
        const fs::path image = suite->folder.path() / "image";
        const test::ChildResult made = test::runChild((jdk / "bin/jlink").string(),
            {"--add-modules", "java.base", "--strip-debug", "--no-header-files", "--no-man-pages", "--compress=2",
             "--generate-cds-archive", "--output", image.string()}, 600);
        ASSERT_EQ(made.exitCode, 0) << made.out << made.err;
        std::smatch match;
        const std::string release = test::readBytes(image / "release");
        ASSERT_TRUE(std::regex_search(release, match, std::regex("JAVA_VERSION=\"(\\d+)"))) << release;
        suite->major = std::stoi(match[1]);
        for (const auto& item : fs::recursive_directory_iterator(image)) {
            if (!item.is_regular_file() || item.is_symlink() || item.path().filename() == "release") continue;
            const auto mode = static_cast<uint32_t>(fs::status(item.path()).permissions() & fs::perms::mask);
            // Stored, not deflated: the suite packs the image several times.
            suite->items.push_back({.name = "jre/" + fs::relative(item.path(), image).generic_string(),
                                    .data = test::readBytes(item.path()), .deflate = false, .unixMode = 0100000 | mode});
        }
        suite->items.push_back({.name = "jre/release", .data = release, .deflate = false, .unixMode = 0100644});
        fs::remove_all(image); // the rows pack it from memory
        suite->key = suite->folder.path() / "vendor.pem";
        const fs::path der = suite->folder.path() / "vendor.der";
        ASSERT_EQ(openssl({"ecparam", "-name", "prime256v1", "-genkey", "-noout", "-out", suite->key.string()}).exitCode, 0);
        ASSERT_EQ(openssl({"pkey", "-in", suite->key.string(), "-pubout", "-outform", "DER", "-out", der.string()}).exitCode, 0);
        suite->publicKey = test::runChild("/usr/bin/base64", {"-w0", der.string()}).out;
    }
    static void TearDownTestSuite() { suite.reset(); }

    void SetUp() override {
        if (!suite->skip.empty()) GTEST_SKIP() << suite->skip;
        ASSERT_TRUE(server.listening());
        fs::copy_file(test::buildFolder() / "bin" / "launcher", exe);
        fs::copy_file(test::buildFolder() / "java" / "probe.jar", folder.path() / "probe.jar");
        pinned = pin();
    }

    std::string version(int patch) const { return std::to_string(suite->major) + ".0." + std::to_string(patch); }

    // The pinned runtime (relabelled X.0.1) and the feed's settings; the
    // pinned runtime's folder. The bounds keep the machine's own runtimes
    // (of later updates) out of the search, so the pinned one is installed.
    fs::path pin(const std::string& more = {}, bool bounded = true) {
        const std::string& archive = runtimeArchive(version(1));
        server.serve("/pinned.zip", ServedReply{.body = archive});
        const std::string sha256 = sha256Of(archive);
        test::writeBytes(folder.path() / "viewer.ini",
            "[Product Information]\nProduct Name=Viewer\nProduct Code=CODE\n"
            "[Java Runtime Environment]\nMain Class=probe.Main\nMinimum Version=" + std::to_string(suite->major) +
            (bounded ? "\nMaximum Version=" + version(3) : "") + "\nRuntime Download URL=" + server.url("/pinned.zip") + "\nRuntime Download SHA-256=" + sha256 +
            "\nRuntime Feed URL=" + server.url("/runtime-feed.ini") + "\nRuntime Feed Key=" + suite->publicKey +
            "\nRuntime Feed Interval=0\n[Class Path]\nClass Path=probe.jar\n" + more);
        return runtimeFolder() / sha256.substr(0, 16);
    }

    // Signs and serves a feed whose entry is the image relabelled version,
    // at /<name>.zip; the entry's folder.
    fs::path publish(uint64_t sequence, const std::string& entryVersion, Breakage breakage = Breakage::None,
                     ServedReply::Framing framing = ServedReply::Framing::Length) {
        const std::string& archive = runtimeArchive(entryVersion, breakage);
        const std::string path = "/runtime-" + entryVersion + ".zip";
        server.serve(path, ServedReply{.body = archive, .framing = framing});
        const std::string sha256 = sha256Of(archive);
        published = sha256;
        const std::string feed = "[Feed]\nSequence=" + std::to_string(sequence) + "\n[linux-x64]\nURL=" + server.url(path) +
            "\nSHA-256=" + sha256 + "\nSize=" + std::to_string(archive.size()) + "\nVersion=" + entryVersion + "\n";
        const fs::path feedFile = folder.path() / "runtime-feed.ini";
        test::writeBytes(feedFile, feed);
        EXPECT_EQ(openssl({"dgst", "-sha256", "-sign", suite->key.string(), "-out", feedFile.string() + ".sig",
                           feedFile.string()}).exitCode, 0);
        server.serve("/runtime-feed.ini", ServedReply{.body = feed});
        server.serve("/runtime-feed.ini.sig", ServedReply{.body = test::readBytes(feedFile.string() + ".sig")});
        return runtimeFolder() / sha256.substr(0, 16);
    }
    void serveArchiveWhole(const std::string& entryVersion) {
        server.serve("/runtime-" + entryVersion + ".zip", ServedReply{.body = runtimeArchive(entryVersion)});
    }

    void checkFallBack(Breakage breakage);

    // The program's arguments that keep it running until the last published
    // entry is installed: a look that is still busy when the program ends
    // is cancelled.
    std::vector<std::string> untilInstalled() const {
        return {"until", (runtimeFolder() / "runtime-feed.state").string(), "Current Entry=" + published};
    }

    // A start with its trace on standard error.
    test::ChildResult start(const std::vector<std::string>& arguments = {"env"}) {
        return test::runChild(exe.string(), arguments, 300, folder.path().string());
    }
    std::future<test::ChildResult> startBeside(const std::vector<std::string>& arguments = {"env"}) {
        return std::async(std::launch::async, [this, arguments] { return start(arguments); });
    }

    fs::path runtimeFolder() const { return data / "Viewer" / "CODE" / "runtime"; }
    std::string state() const {
        const fs::path file = runtimeFolder() / "runtime-feed.state";
        return fs::exists(file) ? test::readBytes(file) : "";
    }
    static std::string home(const fs::path& runtime) { return "QX_JVM_HOME=" + runtime.string(); }
    void expectStartOn(const fs::path& runtime) {
        const test::ChildResult started = start();
        EXPECT_TRUE(has(started.out, home(runtime))) << started.out << started.err;
    }
    int feedRequests() const { return server.requestsFor("/runtime-feed.ini") + server.requestsFor("/runtime-feed.ini.sig"); }

    test::TempFolder folder;
    test::LoopbackServer server;
    fs::path exe = folder.path() / "viewer";
    fs::path data = folder.path() / "data";
    fs::path pinned;
    std::string published; // the last published entry's SHA-256
    test::EnvironmentOverride dataHome{u"XDG_DATA_HOME", data.u16string()};
    test::EnvironmentOverride cacheHome{u"XDG_CACHE_HOME", (folder.path() / "cache").u16string()};
    test::EnvironmentOverride noJavaHome{u"JAVA_HOME", std::nullopt};
    test::EnvironmentOverride noProxy{u"http_proxy", std::nullopt};
    test::EnvironmentOverride traced{u"QX_LAUNCHER_TRACE", u"1"};
};

TEST_F(RuntimeFeed, LooksAfterMainAndTheNextStartRunsOnTheEntry) {
    const fs::path entry = publish(1, version(2));
    // What the start had done when the feed was asked for: its trace is a
    // file here, read at the moment each request comes.
    const fs::path trace = folder.path() / "trace.log";
    std::atomic<int> feedBeforeMain{0};
    server.watchRequests([&](const std::string& path) {
        if (path.starts_with("/runtime-feed") && !has(test::readBytes(trace), "calling main")) ++feedBeforeMain;
    });
    test::ChildResult first;
    {
        test::EnvironmentOverride toFile(u"QX_LAUNCHER_TRACE", trace.u16string());
        first = start(untilInstalled());
    }
    EXPECT_EQ(first.exitCode, 0) << first.err;
    EXPECT_TRUE(has(first.out, home(pinned))) << first.out << first.err;
    EXPECT_EQ(server.requestsFor("/runtime-feed.ini"), 1);
    EXPECT_EQ(feedBeforeMain.load(), 0) << "the feed was fetched before main was called";
    const std::string firstTrace = test::readBytes(trace);
    EXPECT_TRUE(has(firstTrace, "installed in " + entry.string())) << firstTrace;
    EXPECT_TRUE(fs::exists(entry / "lib/server/libjvm.so"));

    const test::ChildResult second = start();
    EXPECT_EQ(second.exitCode, 0) << second.err;
    EXPECT_TRUE(has(second.out, home(entry))) << second.out;
    EXPECT_TRUE(has(second.err, "runtime feed: entry " + entry.filename().string() + " (" + version(2) +
                                    ") is used in the pinned runtime's place")) << second.err;
    EXPECT_TRUE(has(second.err, ") has started a program: recorded")) << second.err;
    EXPECT_EQ(server.requestsFor("/runtime-" + version(2) + ".zip"), 1);
}

void RuntimeFeed::checkFallBack(Breakage breakage) {
    const fs::path entry = publish(1, version(2), breakage);
    ASSERT_EQ(start(untilInstalled()).exitCode, 0);
    ASSERT_TRUE(fs::exists(entry / "lib/server/libjvm.so"));

    // The program ran once, on the pinned runtime, and its code is the start's.
    const test::ChildResult failed = start({"exit", "7"});
    EXPECT_EQ(failed.exitCode, 7) << failed.err;
    EXPECT_TRUE(has(failed.out, "arg1=[37]")) << failed.out;
    EXPECT_EQ(failed.out.find("count="), failed.out.rfind("count=")) << failed.out;
    EXPECT_TRUE(has(failed.err, "failed to start the program; marked bad")) << failed.err;
    EXPECT_TRUE(has(state(), "Bad Entries=" + published)) << state();

    const test::ChildResult after = start();
    EXPECT_EQ(after.exitCode, 0) << after.err;
    EXPECT_TRUE(has(after.out, home(pinned))) << after.out << after.err;
    EXPECT_TRUE(has(after.err, "is not used: it is marked bad")) << after.err;
    EXPECT_FALSE(has(after.err, "starts again")) << after.err;
}

TEST_F(RuntimeFeed, AnEntryWhoseVmIsNotMadeGoesBackToThePinAndIsMarkedBad) { checkFallBack(Breakage::CreateFails); }

// A runtime that ends the process itself while its VM is made would take
// that start with it: the look asks the runtime to start before any start
// may take it.
TEST_F(RuntimeFeed, AnEntryThatDoesNotStartIsNeverTaken) {
    publish(1, version(2), Breakage::NoModules);
    const test::ChildResult looked =
        start({"until", (runtimeFolder() / "runtime-feed.state").string(), "Bad Entries=" + published});
    EXPECT_EQ(looked.exitCode, 0) << looked.err;
    EXPECT_TRUE(has(looked.err, "was installed but does not start")) << looked.err;

    const test::ChildResult after = start();
    EXPECT_EQ(after.exitCode, 0) << after.err;
    EXPECT_TRUE(has(after.out, home(pinned))) << after.out << after.err;
    EXPECT_FALSE(has(after.err, "starts again")) << after.err;
}

TEST_F(RuntimeFeed, NothingIsFetchedElevatedOrInAService) {
    ASSERT_EQ(start().exitCode, 0); // the pinned runtime installed; no feed served yet
    publish(1, version(2));
    const int before = static_cast<int>(server.requests().size());
    pin("[Application]\nApplication Type=service\n");
    const test::ChildResult service = start();
    EXPECT_EQ(service.exitCode, 0) << service.err;
    EXPECT_TRUE(has(service.err, "runtime feed: not looked at: a service")) << service.err;

    if (geteuid() == 0) {
        // The machine's own runtime is all an elevated start may take.
        pin({}, false);
        // A set-group-id start, as the user's own programs may not steer it.
        ASSERT_EQ(chown(exe.c_str(), static_cast<uid_t>(-1), 65534), 0);
        ASSERT_EQ(chmod(exe.c_str(), 02755), 0);
        const test::ChildResult elevated = start();
        EXPECT_EQ(elevated.exitCode, 0) << elevated.err;
        EXPECT_TRUE(has(elevated.out, "main=returned")) << elevated.out << elevated.err;
        EXPECT_FALSE(has(elevated.out, home(pinned))) << "an elevated start ran on the user's runtime";
        EXPECT_TRUE(has(elevated.err, "runtime feed: not looked at: not in this start")) << elevated.err;
    }
    EXPECT_EQ(static_cast<int>(server.requests().size()), before);
}

TEST_F(RuntimeFeed, TwoStartsAtOnceDownloadTheEntryOnce) {
    ASSERT_EQ(start().exitCode, 0);
    const fs::path entry = publish(1, version(2));
    auto one = startBeside(untilInstalled());
    auto other = startBeside(untilInstalled());
    const test::ChildResult a = one.get(), b = other.get();
    EXPECT_EQ(a.exitCode, 0) << a.err;
    EXPECT_EQ(b.exitCode, 0) << b.err;
    EXPECT_EQ(server.requestsFor("/runtime-" + version(2) + ".zip"), 1);
    EXPECT_TRUE(fs::exists(entry / "lib/server/libjvm.so"));
    expectStartOn(entry);
}

TEST_F(RuntimeFeed, AStalledDownloadDoesNotHoldTheProgramsEnd) {
    ASSERT_EQ(start().exitCode, 0);
    const fs::path entry = publish(1, version(2), Breakage::None, ServedReply::Framing::Stall);
    const std::string archivePath = "/runtime-" + version(2) + ".zip";
    // The program ends once the download has begun.
    const fs::path mark = folder.path() / "end-now";
    server.watchRequests([&](const std::string& path) {
        if (path == archivePath) test::writeBytes(mark, "");
    });
    const test::ChildResult stalled = start({"until", mark.string()});
    const Clock::time_point ended = Clock::now();
    EXPECT_EQ(stalled.exitCode, 0) << stalled.err;
    std::optional<Clock::time_point> asked;
    for (const test::LoopbackServer::Request& request : server.requests()) {
        if (request.path == archivePath) asked = request.at;
    }
    ASSERT_TRUE(asked) << stalled.err;
    // The program ends within a tenth of a second of the request; the
    // launcher waits at most a second for the look before it ends too.
    EXPECT_LT(std::chrono::duration<double>(ended - *asked).count(), 2.5) << stalled.err;
    for (const fs::directory_entry& item : fs::directory_iterator(runtimeFolder())) {
        const std::string name = item.path().filename().string();
        if (!item.is_directory() || item.path() == pinned) continue;
        EXPECT_TRUE(isInstallLeftover(fromUtf8(name))) << name << " stayed behind";
    }

    serveArchiveWhole(version(2));
    const test::ChildResult next = start(untilInstalled());
    EXPECT_TRUE(has(next.err, "installed in " + entry.string())) << next.err;
    expectStartOn(entry);
}

TEST_F(RuntimeFeed, TheStartupCacheFollowsTheRuntime) {
    pin("[Application]\nStartup Cache=yes\n");
    const fs::path entry = publish(1, version(2));
    const fs::path cache = folder.path() / "cache" / "Viewer" / "CODE";
    auto files = [&] {
        std::set<fs::path> found;
        std::error_code error;
        for (const fs::directory_entry& item : fs::directory_iterator(cache, error)) found.insert(item.path());
        return found;
    };
    const test::ChildResult onPin = start(untilInstalled());
    EXPECT_TRUE(has(onPin.out, home(pinned))) << onPin.out << onPin.err;
    const std::set<fs::path> pinFiles = files();
    ASSERT_FALSE(pinFiles.empty()) << onPin.err;

    const test::ChildResult onEntry = start();
    EXPECT_EQ(onEntry.exitCode, 0) << onEntry.err;
    EXPECT_TRUE(has(onEntry.out, home(entry))) << onEntry.out << onEntry.err;
    // The cache wants room for an archive; the entry's runtime took some.
    if (has(onEntry.err, "startup cache: the cache folder cannot be written")) {
        GTEST_SKIP() << "the disk is too full for the start-up cache";
    }
    const std::set<fs::path> entryFiles = files();
    EXPECT_TRUE(std::any_of(entryFiles.begin(), entryFiles.end(), [&](const fs::path& f) { return !pinFiles.contains(f); }))
        << "no archive of the entry's own\n" << onEntry.err;
    // The runtime had nothing to say about an archive that is not its own.
    const test::ChildResult again = start();
    EXPECT_EQ(again.out, onEntry.out);
    EXPECT_FALSE(has(again.err, "warning")) << again.err;
}

TEST_F(RuntimeFeed, AnOldEntryGoesOnceNoStartNeedsIt) {
    const fs::path first = publish(1, version(2));
    ASSERT_EQ(start(untilInstalled()).exitCode, 0);
    // A start that stays on the first entry while the second comes.
    const fs::path mark = folder.path() / "end-now";
    auto staying = startBeside({"until", mark.string()});
    for (int i = 0; i < 600 && !has(state(), "Started Entry="); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    ASSERT_TRUE(has(state(), "Started Entry=")) << state();

    const fs::path second = publish(2, version(3));
    EXPECT_TRUE(has(start(untilInstalled()).out, home(first)));
    const test::ChildResult onSecond = start();
    EXPECT_TRUE(has(onSecond.out, home(second))) << onSecond.out << onSecond.err;
    EXPECT_TRUE(has(onSecond.err, "entry " + first.filename().string() + " is in use: kept")) << onSecond.err;
    EXPECT_TRUE(fs::exists(first / "lib/server/libjvm.so"));

    test::writeBytes(mark, "");
    const test::ChildResult stayed = staying.get();
    EXPECT_EQ(stayed.exitCode, 0) << stayed.err;
    EXPECT_TRUE(has(stayed.out, home(first))) << stayed.out;
    const test::ChildResult later = start();
    EXPECT_TRUE(has(later.err, "removed entry " + first.filename().string())) << later.err;
    EXPECT_FALSE(fs::exists(first));
    EXPECT_TRUE(fs::exists(second / "lib/server/libjvm.so"));
    EXPECT_TRUE(fs::exists(pinned / "lib/server/libjvm.so"));
}

} // namespace
} // namespace launcher
