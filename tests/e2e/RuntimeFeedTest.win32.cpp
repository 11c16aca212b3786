// The Windows launcher follows the vendor's runtime feed (signed here with
// a key BCrypt makes, served over loopback beside the pinned stand-in): the
// start after main looks at the feed and installs its own platform's entry,
// the next start runs on that entry, an entry that cannot create its VM
// sends the start back to the pinned runtime, and an elevated start fetches
// nothing. Under Wine every process is elevated, so the user's starts are
// made with the desktop user's token.

#include "PinnedInstallFixture.win32.h"
#include "support/CapturedRun.win32.h"
#include "support/FeedSigner.win32.h"

#include <functional>

namespace launcher {
namespace {

// The feed's section this test build's launcher reads, and the other one.
constexpr const char* kOwnPlatform = sizeof(void*) == 8 ? "windows-x64" : "windows-x86";
constexpr const char* kOtherPlatform = sizeof(void*) == 8 ? "windows-x86" : "windows-x64";

namespace fs = std::filesystem;

// The stand-in's zip with its release file saying version instead.
std::string relabelledStandinZip(const std::string& version, std::string_view variant = "standard") {
    std::vector<test::ZipItem> items = test::standinRuntimeZipItems("jdk-" + version + "-jre/", variant);
    for (test::ZipItem& item : items) {
        if (item.name.ends_with("/release")) item.data = "JAVA_VERSION=\"" + version + "\"\n";
    }
    return test::buildZip(items);
}

// The look's line when it installed the entry (the pin's install says
// "installed into").
constexpr const char* kInstalled = "; runtime 17.0.9 installed in ";

// "Viewer" of code "CODE" whose pinned runtime (the stand-in, 17.0.2) is
// installed without a question by the first start; its program works until
// the test says so, so that the look after main is never cut short by the
// process's end.
class RuntimeFeed : public test::PinnedInstallFixture {
protected:
    test::FeedSigner signer;
    fs::path pauseEnd = folder.path() / "pause-end";
    test::EnvironmentOverride pauseEndVariable{u"STANDIN_PAUSE_END", pauseEnd.u16string()};
    std::string pinSha;
    std::string entrySha;
    fs::path pinned;

    void SetUp() override {
        prepare();
        ASSERT_TRUE(signer.ready()) << signer.failure();
        const std::string zip = test::standinRuntimeZip();
        pinSha = test::sha256Of(zip);
        server.serve("/jre.zip", test::ServedReply{.body = zip});
        pinned = runtimeFolder(pinSha);
        writeIni();
    }
    void writeIni(const std::string& extra = {}) {
        test::writeBytes(folder.path() / "viewer.ini",
                   "[Product Information]\r\nProduct Name=Viewer\r\nProduct Code=CODE\r\n"
                   "[Java Runtime Environment]\r\nMain Class=standin.Pause\r\nMinimum Version=17\r\n"
                   "Runtime Download URL=" + server.url("/jre.zip") + "\r\nRuntime Download SHA-256=" + pinSha +
                       "\r\nRuntime Download=Automatic\r\nRuntime Feed URL=" + server.url("/feed.ini") +
                       "\r\nRuntime Feed Key=" + signer.publicKeyBase64() + "\r\n" + extra +
                       "[Class Path]\r\nClass Path=app.jar\r\n");
    }
    // Serves the entry's zip at /entry.zip and a feed that offers it for
    // the launcher's own platform (and something else for the other one:
    // the 32-bit launcher reads windows-x86), signed as the
    // vendor signs; tamper changes the served feed after signing.
    void publish(const std::string& entryZip, const std::string& version,
                 const std::function<void(std::string&)>& tamper = {}) {
        entrySha = test::sha256Of(entryZip);
        server.serve("/entry.zip", test::ServedReply{.body = entryZip});
        std::string feed = test::feedText(
            1, "CODE",
            {{.platform = kOtherPlatform, .url = server.url("/other.zip"), .sha256 = std::string(64, 'b'), .size = 10,
              .version = "17.0.9"},
             {.platform = kOwnPlatform, .url = server.url("/entry.zip"), .sha256 = entrySha, .size = entryZip.size(),
              .version = version}});
        const std::string signature = signer.sign(feed);
        ASSERT_FALSE(signature.empty());
        if (tamper) tamper(feed);
        server.serve("/feed.ini", test::ServedReply{.body = feed});
        server.serve("/feed.ini.sig", test::ServedReply{.body = signature});
    }
    fs::path entryFolder() const { return runtimeFolder(entrySha); }
    std::string state() const { return text(localData / "Viewer" / "CODE" / "runtime" / "runtime-feed.state"); }
    // A start as the desktop user whose program works until the trace has
    // the line awaited (a minute at most); its exit code.
    DWORD startUntil(const std::string& awaited) {
        fs::remove(pauseEnd);
        test::StartedProcess launcher(exe.wstring(), L"60000");
        EXPECT_TRUE(test::waitUntil([&] { return text(launchTrace).find(awaited) != std::string::npos; }, 60000))
            << "no \"" << awaited << "\" in the trace:\n" << text(launchTrace);
        test::writeBytes(pauseEnd, "");
        return launcher.waitForExit(30000);
    }
};

struct LookRow {
    const char* name;
    std::function<void(std::string&)> tamper;
    const char* line; // the look's result in the trace
    bool installs;
};
void PrintTo(const LookRow& row, std::ostream* out) { *out << row.name; }

class RuntimeFeedLook : public RuntimeFeed, public ::testing::WithParamInterface<LookRow> {};

// The look comes after main, on the background thread, and only a feed
// with the vendor's signature over its exact bytes installs its entry,
// with its lock file beside it, as the current entry in the state.
TEST_P(RuntimeFeedLook, TheFirstStartLooksAfterMain) {
    const LookRow& row = GetParam();
    publish(relabelledStandinZip("17.0.9"), "17.0.9", row.tamper);
    ASSERT_EQ(startUntil(row.line), 0u) << text(launchTrace);
    const std::string trace = text(launchTrace);
    const size_t main = trace.find("main class found; calling main");
    const size_t started = trace.find("runtime feed: background work started");
    ASSERT_NE(main, std::string::npos) << trace;
    EXPECT_LT(main, started) << trace;
    EXPECT_LT(started, trace.find(row.line)) << trace;
    EXPECT_TRUE(applicationRan("[60000]")) << text(standinTrace);
    EXPECT_NE(trace.find("runtime library: " + (pinned / "bin" / "server" / "jvm.dll").string()), std::string::npos)
        << trace;
    EXPECT_EQ(fs::exists(entryFolder() / "bin" / "server" / "jvm.dll"), row.installs);
    EXPECT_EQ(fs::exists(entryFolder().string() + ".in-use"), row.installs);
    EXPECT_EQ(state().find("Current Entry=" + entrySha) != std::string::npos, row.installs) << state();
    // The pin, the feed, its signature, and the entry only when accepted.
    EXPECT_EQ(server.connections(), row.installs ? 4 : 3);
}

INSTANTIATE_TEST_SUITE_P(
    Feeds, RuntimeFeedLook,
    ::testing::Values(LookRow{"Signed", {}, kInstalled, true},
                      LookRow{"OneByteChanged", [](std::string& feed) { feed[feed.find("Sequence=1") + 9] = '2'; },
                              "runtime feed refused (signature)", false},
                      LookRow{"LastByteChanged", [](std::string& feed) { feed.back() = ' '; },
                              "runtime feed refused (signature)", false}),
    [](const ::testing::TestParamInfo<LookRow>& info) { return std::string(info.param.name); });

// The next start runs on the entry in the pinned runtime's place, records
// that it started a program, and does not look again before the interval.
TEST_F(RuntimeFeed, TheNextStartRunsOnTheEntry) {
    publish(relabelledStandinZip("17.0.9"), "17.0.9");
    ASSERT_EQ(startUntil(kInstalled), 0u) << text(launchTrace);
    fs::remove(launchTrace);
    fs::remove(standinTrace);
    ASSERT_EQ(startUntil("runtime feed: not due"), 0u) << text(launchTrace);
    const std::string trace = text(launchTrace);
    EXPECT_NE(trace.find("runtime feed: entry " + entrySha.substr(0, 16) +
                         " (17.0.9) is used in the pinned runtime's place"),
              std::string::npos) << trace;
    EXPECT_NE(trace.find("runtime library: " + (entryFolder() / "bin" / "server" / "jvm.dll").string()),
              std::string::npos) << trace;
    EXPECT_NE(trace.find("(17.0.9) has started a program: recorded"), std::string::npos) << trace;
    EXPECT_TRUE(applicationRan("[60000]")) << text(standinTrace);
    EXPECT_NE(state().find("Started Entry=" + entrySha), std::string::npos) << state();
    EXPECT_EQ(server.connections(), 4);
}

// An entry whose VM cannot be created: the same start goes back to the
// pinned runtime without a message, and the entry is marked bad, so the
// start after it does not try it again.
TEST_F(RuntimeFeed, AnEntryThatCannotCreateItsVmFallsBackToThePin) {
    publish(relabelledStandinZip("17.0.9", "create-fails"), "17.0.9");
    ASSERT_EQ(startUntil(kInstalled), 0u) << text(launchTrace);
    fs::remove(launchTrace);
    fs::remove(standinTrace);
    test::writeBytes(pauseEnd, "");
    const test::LaunchResult fallen = test::launch(exe, {"1"});
    EXPECT_EQ(fallen.exitCode, 0) << text(launchTrace);
    EXPECT_TRUE(fallen.messages.empty()) << fallen.messages.front();
    const std::string trace = text(launchTrace);
    EXPECT_NE(trace.find("runtime feed: entry " + entrySha.substr(0, 16) +
                         " (17.0.9) failed to start the program; marked bad; the launcher starts again"),
              std::string::npos) << trace;
    EXPECT_NE(trace.find("runtime library: " + (pinned / "bin" / "server" / "jvm.dll").string()), std::string::npos)
        << trace;
    EXPECT_TRUE(applicationRan("[1]")) << text(standinTrace);
    EXPECT_NE(state().find("Bad Entries=" + entrySha), std::string::npos) << state();

    fs::remove(launchTrace);
    const test::LaunchResult after = test::launch(exe, {"2"});
    EXPECT_EQ(after.exitCode, 0) << text(launchTrace);
    EXPECT_NE(text(launchTrace).find("is not used: it is marked bad"), std::string::npos) << text(launchTrace);
    EXPECT_EQ(text(launchTrace).find("failed to start the program"), std::string::npos) << text(launchTrace);
}

// An elevated start looks at nothing, though the feed is due at every
// start: no request reaches the server. Its trace is the console
// variant's standard error, the only trace an elevated start writes.
TEST_F(RuntimeFeed, AnElevatedStartFetchesNothing) {
    if (!test::canStartElevated()) GTEST_SKIP() << "the tests run without administrator rights";
    publish(relabelledStandinZip("17.0.9"), "17.0.9");
    writeIni("Runtime Feed Interval=0\r\n");
    ASSERT_EQ(startUntil(kInstalled), 0u) << text(launchTrace);
    const int connections = server.connections();
    // The pinned runtime is the user's to write, so the elevated start
    // leaves it out: the vendor's "JRE Path" is its runtime.
    writeIni("Runtime Feed Interval=0\r\nJRE Path=" + test::standinHome("standard").string() + "\r\n");
    fs::remove(exe);
    fs::copy_file(test::builtProgramFolder() / "launcher-console.exe", exe);
    test::writeBytes(pauseEnd, "");
    test::EnvironmentOverride toStandardError{u"QX_LAUNCHER_TRACE", u"stderr"};
    const test::CapturedRun run = test::runCaptured(exe, L"1", {.rights = test::Rights::Administrator});
    EXPECT_EQ(run.exitCode, 0u) << run.err;
    EXPECT_NE(run.err.find("main class found; calling main"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("runtime feed: not looked at: not in this start: "), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find("runtime feed: background work started"), std::string::npos) << run.err;
    EXPECT_EQ(server.connections(), connections);
}

} // namespace
} // namespace launcher
