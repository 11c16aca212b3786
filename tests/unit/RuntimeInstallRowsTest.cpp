// What the install step does with each way a download or an archive can go
// wrong: it installs nothing, leaves nothing in the product's runtime folder
// but the lock file (no download, no half-unpacked folder, nothing outside),
// says why, and contacts no server it may not.

#include "install/RuntimeInstall.h"

#include "base/Text.h"
#include "support/LoopbackServer.h"
#include "support/RefusedArchives.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <thread>

namespace launcher {
namespace {

namespace fs = std::filesystem;
using test::ServedReply;

class InstallRows : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(server.listening() && elsewhere.listening()); }

    RuntimePin pinned(const std::string& url, const std::string& sha256) const {
        return {.url = fromUtf8(url), .sha256 = fromUtf8(sha256), .size = std::nullopt,
                .folder = test::nativePath(temp.text(u"product/runtime/0123456789abcdef"))};
    }
    fs::path runtimeFolder() const { return temp.path() / "product" / "runtime"; }
    // Each row starts where no runtime is installed: a row that installs by
    // mistake must not make the next ones find its runtime and pass.
    void startAfresh() const { fs::remove_all(runtimeFolder()); }
    void expectOnlyTheLock(const std::string& what) const {
        EXPECT_EQ(test::namesInFolder(runtimeFolder()), std::vector<std::string>{"install.lock"}) << what;
        EXPECT_EQ(test::namesInFolder(temp.path()), std::vector<std::string>{"product"}) << what;
    }
    static void expectWords(const InstallResult& result, const std::vector<std::u16string>& words,
                            const std::string& what) {
        EXPECT_FALSE(result) << what;
        for (const std::u16string& word : words) {
            EXPECT_NE(result.message.find(word), std::u16string::npos) << what << ": " << toUtf8(result.message);
        }
    }

    // Proxies from the environment would take loopback requests elsewhere.
    test::EnvironmentOverride noHttpProxy{u"http_proxy", std::nullopt};
    test::EnvironmentOverride noHttpsProxy{u"https_proxy", std::nullopt};
    test::TempFolder temp;
    test::LoopbackServer server;
    // Not a loopback address in the download's eyes: it must never be asked.
    test::LoopbackServer elsewhere{"0.0.0.0"};
};

TEST_F(InstallRows, RefusedArchivesLeaveOnlyTheLock) {
    const std::vector<test::RefusedArchive> rows =
        test::refusedArchives(test::fakeRuntime(test::kOwnMachine), test::fakeRuntimeLibrary());
    for (const test::RefusedArchive& row : rows) {
        startAfresh();
        server.serve("/jre.zip", ServedReply{.body = row.bytes});
        const InstallResult result = installRuntime(pinned(server.url("/jre.zip"), test::checksumOf(row.bytes)));
        expectWords(result, row.words, row.what);
        EXPECT_NE(result.message.find(u"was not installed"), std::u16string::npos) << row.what;
        expectOnlyTheLock(row.what);
    }
    EXPECT_EQ(server.connections(), static_cast<int>(rows.size()));
}

struct RefusedDownload {
    const char* what;
    ServedReply reply; // at /jre.zip; a location of "elsewhere" or "localhost" is filled in
    bool startElsewhere;
    DownloadFailure failure;
    std::vector<std::u16string> words;
    int requests; // that the loopback server saw
};

TEST_F(InstallRows, RefusedDownloadsLeaveOnlyTheLockAndContactNothingElse) {
    const std::string zip = test::runtimeArchive(test::fakeRuntime(test::kOwnMachine));
    const std::string localhost = "http://localhost" + server.url("/jre.zip").substr(std::string("http://127.0.0.1").size());
    const RefusedDownload rows[] = {
        {"a server that stalls", {.body = zip, .framing = ServedReply::Framing::Stall}, false,
         DownloadFailure::Stalled, {u"127.0.0.1", u"nothing arrived for 1 seconds"}, 1},
        {"a redirect to http elsewhere", {.status = 302, .location = "elsewhere"}, false,
         DownloadFailure::RefusedAddress, {u"http://0.0.0.0:", u"is not an https address"}, 1},
        {"a redirect to http by a name", {.status = 302, .location = "localhost"}, false,
         DownloadFailure::RefusedAddress, {u"http://localhost:", u"is not an https address"}, 1},
        {"an http address that is not loopback", {.body = zip}, true,
         DownloadFailure::RefusedAddress, {u"http://0.0.0.0:", u"is not an https address"}, 0},
    };
    elsewhere.serve("/jre.zip", ServedReply{.body = zip});
    for (const RefusedDownload& row : rows) {
        startAfresh();
        const int before = server.connections();
        ServedReply reply = row.reply;
        if (reply.location == "elsewhere") reply.location = elsewhere.url("/jre.zip");
        if (reply.location == "localhost") reply.location = localhost;
        server.serve("/jre.zip", reply);
        const std::string start = row.startElsewhere ? elsewhere.url("/jre.zip") : server.url("/jre.zip");
        const InstallResult result = installRuntime(pinned(start, test::checksumOf(zip)));
        expectWords(result, row.words, row.what);
        EXPECT_EQ(result.download, row.failure) << row.what;
        EXPECT_EQ(server.connections() - before, row.requests) << row.what;
        expectOnlyTheLock(row.what);
    }
    EXPECT_EQ(elsewhere.connections(), 0);
}

// Two starts at once: the one that comes second waits for the first one's
// install and uses it; the server sends the runtime once.
TEST_F(InstallRows, TwoInstallsAtOnceDownloadOnce) {
    const std::string zip = test::runtimeArchive(test::fakeRuntime(test::kOwnMachine));
    server.serve("/jre.zip", ServedReply{.body = zip});
    const RuntimePin pin = pinned(server.url("/jre.zip"), test::checksumOf(zip));
    InstallResult second;
    std::thread secondStart;
    InstallOptions first;
    first.progress = [&](uint64_t received, std::optional<uint64_t>) {
        if (received == 0 || secondStart.joinable()) return;
        // The second start comes while the first holds the lock.
        secondStart = std::thread([&] { second = installRuntime(pin); });
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
    };
    const InstallResult firstResult = installRuntime(pin, first);
    ASSERT_TRUE(secondStart.joinable());
    secondStart.join();
    EXPECT_EQ(firstResult.outcome, InstallOutcome::Installed) << toUtf8(firstResult.message);
    EXPECT_EQ(second.outcome, InstallOutcome::FoundInstalled) << toUtf8(second.message);
    EXPECT_EQ(server.connections(), 1);
    EXPECT_EQ(test::namesInFolder(runtimeFolder()), (std::vector<std::string>{"0123456789abcdef", "install.lock"}));
}

} // namespace
} // namespace launcher
