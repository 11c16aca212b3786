#include "install/InstallLock.h"
#include "install/RuntimeInstall.h"

#include "base/Sha256.h"
#include "base/Text.h"
#include "support/ArchiveBuilder.h"
#include "support/LoopbackServer.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <thread>

namespace launcher {
namespace {

namespace fs = std::filesystem;
using test::ServedReply;
using test::ZipItem;

const std::string kLibrary = kWindows ? "bin/server/jvm.dll" : "lib/server/libjvm.so";

std::string runtimeZip(test::Machine machine, std::vector<ZipItem> more = {}) {
    std::vector<ZipItem> items = {
        {.name = "jdk-21-jre/bin/java", .data = "program", .unixMode = 0100755},
        {.name = "jdk-21-jre/" + kLibrary, .data = test::libraryImage(machine) + test::noise(50000)},
        {.name = "jdk-21-jre/release", .data = "JAVA_VERSION=\"21\"\n"},
    };
    items.insert(items.end(), more.begin(), more.end());
    return test::buildZip(items);
}

std::u16string sha256Of(const std::string& bytes) {
    Sha256 hash;
    hash.update(bytes);
    return fromUtf8(sha256Hex(*hash.finish()));
}

std::vector<std::string> namesIn(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& item : fs::directory_iterator(folder)) names.push_back(item.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class RuntimeInstall : public testing::Test {
protected:
    RuntimePin pin(const std::string& path, const std::string& body) {
        server.serve(path, ServedReply{.body = body});
        return pinFor(path, sha256Of(body));
    }
    RuntimePin pinFor(const std::string& path, std::u16string sha256) {
        return {.url = fromUtf8(server.url(path)), .sha256 = std::move(sha256), .size = std::nullopt,
                .folder = test::nativePath(temp.text(u"product/runtime/0123456789abcdef"))};
    }
    fs::path runtimeFolder() const { return temp.path() / "product" / "runtime"; }

    test::TempFolder temp;
    test::LoopbackServer server;
};

TEST_F(RuntimeInstall, InstallsTheCheckedRuntimeAndLeavesNothingElse) {
    const std::string zip = runtimeZip(test::kOwnMachine);
    uint64_t lastReceived = 0;
    const InstallResult result =
        installRuntime(pin("/jre.zip", zip), {.progress = [&](uint64_t received, auto) { lastReceived = received; }});
    ASSERT_TRUE(result) << toUtf8(result.message);
    EXPECT_EQ(result.outcome, InstallOutcome::Installed);
    EXPECT_EQ(lastReceived, zip.size());
    EXPECT_TRUE(fs::exists(runtimeFolder() / "0123456789abcdef" / kLibrary));
    EXPECT_EQ(namesIn(runtimeFolder()), (std::vector<std::string>{"0123456789abcdef", "install.lock"}));
}

struct FailedInstall {
    const char* what;
    std::string body;
    ServedReply::Framing framing;
    bool pinTheBody; // else the pin's checksum is that of another file
    std::vector<const char16_t*> words;
};

// Whatever fails, nothing is installed and the download is gone.
TEST_F(RuntimeInstall, AFailureInstallsNothingAndRemovesTheDownload) {
    const std::string slip = runtimeZip(test::kOwnMachine, {{.name = "jdk-21-jre/../../../escaped", .data = "x"}});
    const FailedInstall cases[] = {
        {"wrong checksum", runtimeZip(test::kOwnMachine), ServedReply::Framing::Length, false,
         {u"has the SHA-256 checksum", u"not 000000000000000000000000000000000000000000000000000000000000000f as configured"}},
        {"truncated download", runtimeZip(test::kOwnMachine), ServedReply::Framing::Truncated, true,
         {u"The download from 127.0.0.1"}},
        {"zip-slip entry", slip, ServedReply::Framing::Length, true, {u"was not installed", u"climbs out"}},
        {"runtime of the other width", runtimeZip(test::kOtherWidth), ServedReply::Framing::Length, true,
         {u"was not installed", test::kOtherWidth == test::Machine::X86 ? u"a 32-bit runtime" : u"a 64-bit runtime"}},
    };
    for (const FailedInstall& c : cases) {
        // From an empty runtime folder: a case that installs by mistake
        // must not make the next ones find its runtime.
        fs::remove_all(runtimeFolder());
        server.serve("/jre.zip", ServedReply{.body = c.body, .framing = c.framing});
        const std::u16string sha = c.pinTheBody ? sha256Of(c.body) : std::u16string(63, u'0') + u"F";
        const InstallResult result = installRuntime(pinFor("/jre.zip", sha));
        EXPECT_FALSE(result) << c.what;
        for (const char16_t* word : c.words) {
            EXPECT_NE(result.message.find(word), std::u16string::npos) << c.what << ": " << toUtf8(result.message);
        }
        if (!c.pinTheBody) {
            EXPECT_NE(result.message.find(sha256Of(c.body)), std::u16string::npos) << toUtf8(result.message);
        }
        EXPECT_EQ(namesIn(runtimeFolder()), std::vector<std::string>{"install.lock"}) << c.what;
    }
}

// The pinned size caps the download, announced or not: nothing beyond it
// reaches the disk, and nothing stays.
TEST_F(RuntimeInstall, ADownloadLargerThanThePinnedSizeIsRefused) {
    const std::string zip = runtimeZip(test::kOwnMachine);
    for (const ServedReply::Framing framing : {ServedReply::Framing::Length, ServedReply::Framing::NoLength}) {
        server.serve("/jre.zip", ServedReply{.body = zip, .framing = framing});
        RuntimePin pinned = pinFor("/jre.zip", sha256Of(zip));
        pinned.size = zip.size() - 100;
        const InstallResult result = installRuntime(pinned);
        EXPECT_FALSE(result);
        EXPECT_EQ(result.download, DownloadFailure::TooLarge) << toUtf8(result.message);
        EXPECT_NE(result.message.find(toDecimal(static_cast<long long>(zip.size() - 100))), std::u16string::npos)
            << toUtf8(result.message);
        EXPECT_EQ(namesIn(runtimeFolder()), std::vector<std::string>{"install.lock"});
        // The exact size installs.
        pinned.size = zip.size();
        const InstallResult exact = installRuntime(pinned);
        EXPECT_TRUE(exact) << toUtf8(exact.message);
        fs::remove_all(runtimeFolder() / "0123456789abcdef");
    }
}

TEST_F(RuntimeInstall, ClearsLeftoversOfACrashedInstall) {
    fs::create_directories(runtimeFolder() / "0123456789abcdef.unpacking-1" / "jdk");
    test::writeBytes(runtimeFolder() / "0123456789abcdef.unpacking-1" / "jdk" / "file", "x");
    test::writeBytes(runtimeFolder() / "0123456789abcdef.download-1", "half");
    test::writeBytes(runtimeFolder() / "fedcba9876543210.download-7", "older pin");
    const InstallResult result = installRuntime(pin("/jre.zip", runtimeZip(test::kOwnMachine)));
    ASSERT_TRUE(result) << toUtf8(result.message);
    EXPECT_EQ(namesIn(runtimeFolder()), (std::vector<std::string>{"0123456789abcdef", "install.lock"}));
}

// A second start waits for the first one's install and then uses it; one
// whose wait runs out says so. Neither downloads anything.
TEST_F(RuntimeInstall, ASecondInstallWaitsForTheFirst) {
    const RuntimePin pinned = pin("/jre.zip", runtimeZip(test::kOwnMachine));
    fs::create_directories(runtimeFolder());
    std::optional<InstallLock> first(std::in_place);
    ASSERT_EQ(first->acquire(test::nativePath(temp.text(u"product/runtime/install.lock")), std::chrono::seconds(5), nullptr),
              InstallLock::Outcome::Locked);

    const InstallResult impatient = installRuntime(pinned, {.lockWait = std::chrono::milliseconds(100)});
    EXPECT_FALSE(impatient);
    EXPECT_NE(impatient.message.find(u"stopped waiting"), std::u16string::npos) << toUtf8(impatient.message);

    InstallResult second;
    std::thread waiting([&] { second = installRuntime(pinned, {.lockWait = std::chrono::seconds(60)}); });
    // Let it reach the lock; it finds the folder either way.
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    test::writeBytes(runtimeFolder() / "0123456789abcdef" / kLibrary, test::libraryImage(test::Machine::X64));
    first.reset();
    waiting.join();
    EXPECT_EQ(second.outcome, InstallOutcome::FoundInstalled) << toUtf8(second.message);
    EXPECT_EQ(server.connections(), 0);
}

TEST(RuntimeInstallRules, LeftoversAndWaitLimit) {
    EXPECT_TRUE(isInstallLeftover(u"0123456789abcdef.download-12"));
    EXPECT_TRUE(isInstallLeftover(u"0123456789abcdef.unpacking-1"));
    EXPECT_FALSE(isInstallLeftover(u"0123456789abcdef"));
    EXPECT_FALSE(isInstallLeftover(u"install.lock"));
    EXPECT_EQ(installWaitLimit(std::nullopt), std::chrono::minutes(15));
    EXPECT_EQ(installWaitLimit(200'000'000), std::chrono::minutes(35));
}

} // namespace
} // namespace launcher
