// One look at a runtime feed against a loopback server: a signed feed's
// entry is installed into its own folder and the state records it; a look
// that is not due contacts nothing; a refused feed installs nothing but
// records the look; a feed seen before fetches nothing beyond itself.
// The vendor's key is made here with the openssl CLI, so the feed can
// name the server's own address and the archive's real checksum.

#include "base/Sha256.h"
#include "base/Text.h"
#include "support/ArchiveBuilder.h"
#include "support/ChildProcess.h"
#include "support/LoopbackServer.h"
#include "support/TestSupport.h"
#include "update/FeedLook.h"
#include "update/FeedStateFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

namespace launcher {
namespace {

namespace fs = std::filesystem;
using test::ServedReply;

const char* const kOpenssl = "/usr/bin/openssl";
constexpr std::u16string_view kProduct = u"{11111111-2222-3333-4444-555555555555}";
constexpr int64_t kNow = 1718000000;

std::string sha256Of(const std::string& bytes) {
    Sha256 hash;
    hash.update(bytes);
    return sha256Hex(*hash.finish());
}

class FeedLook : public testing::Test {
protected:
    void SetUp() override {
        if (!fs::exists(kOpenssl)) GTEST_SKIP() << "no " << kOpenssl << " to sign a feed with";
        key = temp.path() / "vendor.pem";
        ASSERT_EQ(run({"ecparam", "-name", "prime256v1", "-genkey", "-noout", "-out", key.string()}), 0);
        ASSERT_EQ(run({"pkey", "-in", key.string(), "-pubout", "-outform", "DER", "-out", (temp.path() / "vendor.der").string()}), 0);
        const std::string der = test::readBytes(temp.path() / "vendor.der");
        request.publicKey.assign(der.begin(), der.end());
        request.productCode = std::u16string(kProduct);
        request.platform = std::u16string(kFeedPlatformLinuxX64);
        request.pin = {.url = u"https://downloads.example.com/pinned.zip", .sha256 = std::u16string(64, u'a'),
            .size = std::nullopt, .folder = temp.text(u"product/runtime/aaaaaaaaaaaaaaaa")};
        request.pinnedVersion = makeVersion(21, 0, 1, 0);
        request.feedUrl = fromUtf8(server.url("/runtime-feed.ini"));
        request.now = kNow;
    }

    int run(std::vector<std::string> arguments) {
        return test::runChild(kOpenssl, arguments).exitCode;
    }

    // Serves a feed of the given sequence for the archive, signed.
    std::string publish(uint64_t sequence, std::string_view version = "21.0.3") {
        server.serve("/jre.zip", ServedReply{.body = archive});
        const std::string feed = "[Feed]\nProduct Code=" + toUtf8(kProduct) + "\nSequence=" +
            std::to_string(sequence) + "\n[linux-x64]\nURL=" + server.url("/jre.zip") +
            "\nSHA-256=" + sha256Of(archive) + "\nSize=" + std::to_string(archive.size()) +
            "\nVersion=" + std::string(version) + "\n";
        test::writeBytes(temp.path() / "feed.ini", feed);
        EXPECT_EQ(run({"dgst", "-sha256", "-sign", key.string(), "-out", (temp.path() / "feed.sig").string(),
                      (temp.path() / "feed.ini").string()}), 0);
        server.serve("/runtime-feed.ini", ServedReply{.body = feed});
        server.serve("/runtime-feed.ini.sig", ServedReply{.body = test::readBytes(temp.path() / "feed.sig")});
        return sha256Of(archive).substr(0, 16);
    }

    fs::path runtimeFolder() const { return temp.path() / "product" / "runtime"; }
    FeedState state() const { return readFeedState(feedStatePath(request.pin.folder)); }

    test::TempFolder temp;
    test::LoopbackServer server;
    fs::path key;
    FeedLookRequest request;
    // The runtime's java program answers "-version" with the exit code.
    static std::string runtimeArchive(int versionExitCode) {
        return runtimeArchive("exit " + std::to_string(versionExitCode));
    }
    static std::string runtimeArchive(const std::string& javaScript) {
        return test::buildZip({
            {.name = "jdk-21-jre/bin/java", .data = "#!/bin/sh\n" + javaScript + "\n", .unixMode = 0100755},
            {.name = "jdk-21-jre/lib/server/libjvm.so", .data = test::libraryImage(test::kOwnMachine)},
            {.name = "jdk-21-jre/release", .data = "JAVA_VERSION=\"21.0.3\"\n"},
        });
    }
    std::string archive = runtimeArchive(0);
};

TEST_F(FeedLook, InstallsTheAcceptedEntryBesideThePinAndRecordsIt) {
    const std::string name = publish(8);
    const FeedLookResult result = lookAtFeed(request);
    ASSERT_EQ(result.outcome, FeedLookOutcome::Installed) << toUtf8(result.line);
    EXPECT_EQ(result.folder, test::nativePath(temp.text(u"product/runtime/" + fromUtf8(name))));
    EXPECT_TRUE(fs::exists(runtimeFolder() / name / "lib/server/libjvm.so"));
    EXPECT_NE(result.line.find(u"21.0.3"), std::u16string::npos) << toUtf8(result.line);
    // The entry is the next start's runtime, and its lock file marks the
    // folder as the feed's, which a later clean-up may remove.
    const FeedState installed = state();
    EXPECT_EQ(installed.currentEntry.substr(0, 16), fromUtf8(name));
    EXPECT_EQ(installed.currentVersion, u"21.0.3");
    EXPECT_TRUE(fs::exists(runtimeFolder() / (name + ".in-use")));
    const FeedState expected{.lastLook = kNow, .highestSequence = 8, .badEntries = {},
                             .currentEntry = installed.currentEntry, .currentVersion = u"21.0.3"};
    EXPECT_EQ(installed, expected);
    EXPECT_EQ(server.connections(), 3);

    // The same feed again, once due: refused by its sequence, and only the
    // feed and its signature are fetched.
    request.now += 25 * 3600;
    const FeedLookResult again = lookAtFeed(request);
    EXPECT_EQ(again.outcome, FeedLookOutcome::Refused);
    EXPECT_EQ(again.failed, FeedCheck::Sequence);
    EXPECT_EQ(server.connections(), 5);
    FeedState later = expected;
    later.lastLook = request.now;
    EXPECT_EQ(state(), later);
}

// A runtime that does not even print its version would end the first
// start that makes its VM: no start ever takes it.
TEST_F(FeedLook, ARuntimeThatDoesNotStartIsMarkedBadNotTaken) {
    archive = runtimeArchive(3);
    publish(9);
    const FeedLookResult result = lookAtFeed(request);
    EXPECT_EQ(result.outcome, FeedLookOutcome::InstallFailed) << toUtf8(result.line);
    EXPECT_NE(result.line.find(u"ended with 3"), std::u16string::npos) << toUtf8(result.line);
    const FeedState after = state();
    EXPECT_TRUE(after.currentEntry.empty());
    EXPECT_EQ(after.highestSequence, 9u);
    ASSERT_EQ(after.badEntries.size(), 1u);
    EXPECT_EQ(after.badEntries[0], fromUtf8(sha256Of(archive)));
}

// A runtime that does not answer in time says nothing about itself (a busy
// machine, a scanner holding the new program): neither taken nor marked
// bad, and asked again by the next look without a second download.
TEST_F(FeedLook, ARuntimeThatDoesNotAnswerInTimeIsAskedAgainLater) {
    archive = runtimeArchive("exec sleep 30");
    const std::string name = publish(9);
    request.probeLimit = std::chrono::seconds(1);
    const FeedLookResult slow = lookAtFeed(request);
    EXPECT_EQ(slow.outcome, FeedLookOutcome::InstallFailed) << toUtf8(slow.line);
    EXPECT_NE(slow.line.find(u"asked again at the next look"), std::u16string::npos) << toUtf8(slow.line);
    const FeedState after = state();
    EXPECT_TRUE(after.badEntries.empty());
    EXPECT_TRUE(after.currentEntry.empty());
    EXPECT_FALSE(after.highestSequence);
    EXPECT_EQ(after.lastLook, kNow);

    test::writeBytes(runtimeFolder() / name / "bin/java", "#!/bin/sh\nexit 0\n");
    request.now += 25 * 3600;
    const FeedLookResult answered = lookAtFeed(request);
    EXPECT_EQ(answered.outcome, FeedLookOutcome::Installed) << toUtf8(answered.line);
    EXPECT_NE(answered.line.find(u"was installed already"), std::u16string::npos) << toUtf8(answered.line);
    EXPECT_EQ(state().currentEntry.substr(0, 16), fromUtf8(name));
    EXPECT_EQ(server.requestsFor("/jre.zip"), 1);
}

// The feed or its signature sent on to plain http elsewhere: the download's
// address rule refuses the redirect, and the look installs nothing.
TEST_F(FeedLook, ARedirectToPlainHttpElsewhereIsNotFollowed) {
    for (const char* redirected : {"/runtime-feed.ini", "/runtime-feed.ini.sig"}) {
        SCOPED_TRACE(redirected);
        publish(8);
        server.serve(redirected, ServedReply{.status = 302, .location = "http://192.0.2.1/runtime-feed"});
        request.now += 25 * 3600;
        const FeedLookResult result = lookAtFeed(request);
        EXPECT_EQ(result.outcome, FeedLookOutcome::FetchFailed) << toUtf8(result.line);
        EXPECT_TRUE(state().currentEntry.empty());
        EXPECT_FALSE(fs::exists(runtimeFolder() / publish(8)));
    }
}

TEST_F(FeedLook, ContactsNothingBeforeTheIntervalHasPassed) {
    publish(8);
    fs::create_directories(runtimeFolder());
    const FeedState before{.lastLook = kNow - 3600, .highestSequence = 3, .badEntries = {}};
    ASSERT_TRUE(saveFeedState(feedStatePath(request.pin.folder), before));
    const FeedLookResult result = lookAtFeed(request);
    EXPECT_EQ(result.outcome, FeedLookOutcome::NotDue);
    EXPECT_EQ(server.connections(), 0);
    EXPECT_EQ(state(), before);
}

struct RefusedLook {
    const char* what;
    std::function<void(FeedLookRequest&)> change;
    FeedCheck failed;
};

TEST_F(FeedLook, ARefusedFeedInstallsNothingButRecordsTheLook) {
    const RefusedLook rows[] = {
        {"another product", [](FeedLookRequest& r) { r.productCode = u"{99999999-2222-3333-4444-555555555555}"; },
            FeedCheck::ProductCode},
        {"another vendor's key", [](FeedLookRequest& r) { r.publicKey.back() ^= 1; }, FeedCheck::Signature},
        {"a version above the bounds", [](FeedLookRequest& r) { r.maximumVersion = makeVersion(21, 0, 2, 0); },
            FeedCheck::Version},
        {"a clear-text feed elsewhere", [](FeedLookRequest& r) { r.feedUrl = u"http://192.0.2.1/feed.ini"; },
            FeedCheck::None},
    };
    const std::string name = publish(8);
    for (const RefusedLook& row : rows) {
        SCOPED_TRACE(row.what);
        FeedLookRequest changed = request;
        row.change(changed);
        const FeedLookResult result = lookAtFeed(changed);
        EXPECT_EQ(result.outcome, row.failed == FeedCheck::None ? FeedLookOutcome::FetchFailed : FeedLookOutcome::Refused)
            << toUtf8(result.line);
        EXPECT_EQ(result.failed, row.failed) << toUtf8(result.line);
        EXPECT_FALSE(fs::exists(runtimeFolder() / name));
        EXPECT_EQ(state(), (FeedState{.lastLook = kNow, .highestSequence = std::nullopt, .badEntries = {}}));
        fs::remove(fs::path(toUtf8(feedStatePath(request.pin.folder))));
    }
    EXPECT_EQ(server.connections(), 6); // feed and signature for each but the refused address
}

} // namespace
} // namespace launcher
