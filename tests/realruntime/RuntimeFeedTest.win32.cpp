// The runtime feed with the real runtime: the pinned runtime and the feed's
// entry are copies of it whose release files name other versions (the
// entry's the higher), zipped and served over loopback. The entry installed
// after main runs the program at the next start; an entry whose VM cannot
// be created sends that very start back to the pinned runtime, and is
// marked bad.

#include "RealRuntime.win32.h"

#include "base/Sha256.h"
#include "support/ArchiveBuilder.h"
#include "support/DialogProbe.win32.h"
#include "support/FeedSigner.win32.h"
#include "support/LoopbackServer.h"

#include <gtest/gtest.h>

#include <map>

namespace launcher {
namespace {

namespace fs = std::filesystem;

struct RelabelledZip {
    std::string zip;
    std::string sha256;
};

// The real runtime below one top folder, its release file saying version;
// without lib/modules when broken, so that its VM cannot be created, and
// without bin/java.exe, so that the look cannot ask it first and the start
// finds out. Built
// once for each kind: the runtime is some 50 MB.
const RelabelledZip& relabelledRuntime(const std::string& version, bool broken = false) {
    static std::map<std::pair<std::string, bool>, RelabelledZip> built;
    RelabelledZip& archive = built[{version, broken}];
    if (!archive.zip.empty()) return archive;
    const fs::path home = test::realRuntime().home;
    std::vector<test::ZipItem> items;
    for (const auto& item : fs::recursive_directory_iterator(home)) {
        if (!item.is_regular_file()) continue;
        const std::string name = fs::relative(item.path(), home).generic_string();
        if (broken && (name == "lib/modules" || name == "bin/java.exe")) continue;
        std::string data = test::readBytes(item.path());
        if (name == "release") {
            const size_t at = data.find("JAVA_VERSION=\"") + 14;
            data.replace(at, data.find('"', at) - at, version);
        }
        items.push_back({.name = "jdk-" + version + "/" + name, .data = std::move(data)});
    }
    archive.zip = test::buildZip(items);
    Sha256 hash;
    hash.update(archive.zip);
    archive.sha256 = sha256Hex(*hash.finish());
    return archive;
}

// "Viewer" of code "CODE", pinned to the runtime relabelled 11.0.1 and
// installed without a question, following a feed that offers the entry.
class RealRuntimeFeed : public test::OwnFoldersRealRuntimeTest {
protected:
    test::LoopbackServer server;
    test::FeedSigner signer;
    fs::path flag = folder.path() / "flag";
    const RelabelledZip* pin = nullptr;
    const RelabelledZip* entry = nullptr;

    void SetUp() override {
        OwnFoldersRealRuntimeTest::SetUp();
        if (IsSkipped()) return;
        ASSERT_TRUE(signer.ready()) << signer.failure();
        useProgram("launcher.exe");
        pin = &relabelledRuntime("11.0.1");
        server.serve("/pin.zip", test::ServedReply{.body = pin->zip});
        writeIni("Minimum Version=11\r\nRuntime Download URL=" + server.url("/pin.zip") +
                     "\r\nRuntime Download SHA-256=" + pin->sha256 + "\r\nRuntime Download=Automatic\r\n" +
                     "Runtime Feed URL=" + server.url("/feed.ini") + "\r\nRuntime Feed Key=" +
                     signer.publicKeyBase64() +
                     // A runtime that cannot start writes no crash report
                     // into the suite's output or working folder.
                     "\r\nVirtual Machine Parameters=-XX:+SuppressFatalErrorMessage\r\n",
                 "[Product Information]\r\nProduct Name=Viewer\r\nProduct Code=CODE\r\n", "realapp.ReportAndWait");
    }
    void publish(bool broken) {
        entry = &relabelledRuntime("11.0.3", broken);
        server.serve("/entry.zip", test::ServedReply{.body = entry->zip});
        const std::string feed = test::feedText(1, "CODE",
            {{.url = server.url("/entry.zip"), .sha256 = entry->sha256, .size = entry->zip.size(), .version = "11.0.3"}});
        server.serve("/feed.ini", test::ServedReply{.body = feed});
        server.serve("/feed.ini.sig", test::ServedReply{.body = signer.sign(feed)});
    }
    fs::path runtimeFolder(const std::string& sha256) const {
        return localData / "Viewer" / "CODE" / "runtime" / sha256.substr(0, 16);
    }
    std::string state() const {
        const fs::path file = localData / "Viewer" / "CODE" / "runtime" / "runtime-feed.state";
        return fs::exists(file) ? test::readBytes(file) : std::string();
    }
    // A start as the desktop user whose program reports to report and then
    // works until the trace has the line awaited; the exit code.
    DWORD run(const fs::path& report, const std::string& awaited) {
        fs::remove(flag);
        test::StartedProcess launcher(exe.wstring(), L"\"" + report.wstring() + L"\" \"" + flag.wstring() + L"\"");
        if (!launcher.started()) return STILL_ACTIVE;
        EXPECT_TRUE(test::waitUntil([&] { return trace().find(awaited) != std::string::npos; }, 180000))
            << "no \"" << awaited << "\" in the trace:\n" << trace();
        test::writeBytes(flag, "");
        return launcher.waitForExit(60000);
    }
    std::string home(const fs::path& report) const {
        return fs::exists(report) ? test::reported(test::readBytes(report), "home") : std::string("<no report>");
    }
};

TEST_F(RealRuntimeFeed, TheNextStartRunsTheProgramOnTheEntry) {
    publish(false);
    const fs::path first = folder.path() / "first.txt";
    ASSERT_EQ(run(first, "; runtime 11.0.3 installed in "), 0u) << trace();
    EXPECT_TRUE(fs::equivalent(home(first), runtimeFolder(pin->sha256))) << home(first);
    EXPECT_TRUE(fs::exists(runtimeFolder(entry->sha256) / "lib" / "modules"));

    fs::remove(launchTrace);
    const fs::path second = folder.path() / "second.txt";
    ASSERT_EQ(run(second, "runtime feed: not due"), 0u) << trace();
    EXPECT_TRUE(fs::equivalent(home(second), runtimeFolder(entry->sha256))) << home(second) << "\n" << trace();
    EXPECT_NE(trace().find("(11.0.3) is used in the pinned runtime's place"), std::string::npos) << trace();
    EXPECT_NE(state().find("Started Entry=" + entry->sha256), std::string::npos) << state();
    // The pin, the feed, its signature and the entry; nothing at the second.
    EXPECT_EQ(server.connections(), 4);
}

TEST_F(RealRuntimeFeed, AnEntryWhoseVmCannotBeCreatedFallsBackToThePinInTheSameStart) {
    publish(true);
    ASSERT_EQ(run(folder.path() / "first.txt", "; runtime 11.0.3 installed in "), 0u) << trace();

    fs::remove(launchTrace);
    const fs::path second = folder.path() / "second.txt";
    test::writeBytes(flag, "");
    test::StartedProcess launcher(exe.wstring(), L"\"" + second.wstring() + L"\" \"" + flag.wstring() + L"\"");
    // No message about the failed attempt: the start goes on by itself.
    EXPECT_EQ(test::waitForProcessWindow(launcher.id(), L"#32770", 3000), nullptr) << trace();
    EXPECT_EQ(launcher.waitForExit(120000), 0u) << trace();
    EXPECT_TRUE(fs::equivalent(home(second), runtimeFolder(pin->sha256))) << home(second) << "\n" << trace();
    EXPECT_NE(trace().find("(11.0.3) failed to start the program; marked bad; the launcher starts again"),
              std::string::npos) << trace();
    EXPECT_NE(state().find("Bad Entries=" + entry->sha256), std::string::npos) << state();
}

} // namespace
} // namespace launcher
