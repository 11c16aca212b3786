#include "install/RuntimeInstall.h"

#include "base/Text.h"
#include "support/LoopbackServer.h"
#include "support/RefusedArchives.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace launcher {
namespace {

namespace fs = std::filesystem;

// What is unpacked is what was hashed: a file put in the download's place
// once its last byte is written is never read.
TEST(RuntimeInstallSwap, UnpacksTheBytesItHashed) {
    test::EnvironmentOverride noHttpProxy{u"http_proxy", std::nullopt};
    test::TempFolder temp;
    test::LoopbackServer server;
    std::vector<test::ZipItem> runtime = test::fakeRuntime(test::Machine::X64);
    const std::string zip = test::runtimeArchive(runtime);
    runtime.push_back({.name = "swapped", .data = "not the pinned runtime"});
    const std::string other = test::runtimeArchive(runtime);
    server.serve("/jre.zip", test::ServedReply{.body = zip});
    const fs::path folder = temp.path() / "product" / "runtime" / "0123456789abcdef";
    const RuntimePin pin{.url = fromUtf8(server.url("/jre.zip")), .sha256 = fromUtf8(test::checksumOf(zip)),
                         .size = std::nullopt, .folder = fromUtf8(folder.string())};
    bool swapped = false;
    InstallOptions options;
    options.progress = [&](uint64_t received, std::optional<uint64_t>) {
        if (received != zip.size() || swapped) return;
        const fs::path replacement = temp.path() / "replacement";
        test::writeBytes(replacement, other);
        swapped = std::rename(replacement.c_str(), (folder.string() + ".download-1").c_str()) == 0;
    };
    const InstallResult result = installRuntime(pin, options);
    ASSERT_TRUE(swapped);
    ASSERT_EQ(result.outcome, InstallOutcome::Installed) << toUtf8(result.message);
    EXPECT_FALSE(fs::exists(folder / "swapped"));
    EXPECT_TRUE(fs::exists(folder / test::fakeRuntimeLibrary()));
}

} // namespace
} // namespace launcher
