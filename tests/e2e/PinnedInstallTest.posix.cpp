// A Linux start that finds no runtime installs the vendor's pinned one from
// its address (served here over loopback), checked by its SHA-256, into the
// product's runtime folder, and runs the application with it; the next
// start uses it without downloading. The stand-in runtime plays the vendor's;
// the minimum version keeps the machine's own runtimes out of the search.

#include "base/Sha256.h"
#include "base/Text.h"
#include "probe/StandinProbe.h"
#include "support/ArchiveBuilder.h"
#include "support/LoopbackServer.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace launcher {
namespace {

namespace fs = std::filesystem;

// The stand-in runtime's files below one top folder, as vendors pack it.
std::vector<test::ZipItem> standinZipItems() {
    std::vector<test::ZipItem> items;
    const fs::path home = test::standinHome("standard");
    for (const auto& item : fs::recursive_directory_iterator(home)) {
        if (!item.is_regular_file()) continue;
        const std::string name = "jdk-21.0.5+11-jre/" + fs::relative(item.path(), home).generic_string();
        const auto mode = static_cast<uint32_t>(fs::status(item.path()).permissions() & fs::perms::mask);
        items.push_back({.name = name, .data = test::readBytes(item.path()), .unixMode = 0100000 | mode});
    }
    return items;
}

std::string standinTarGz() {
    std::vector<test::TarItem> items;
    for (const test::ZipItem& zip : standinZipItems()) {
        items.push_back({.name = zip.name, .data = zip.data, .mode = zip.unixMode & 07777});
    }
    items.push_back({.name = "jdk-21.0.5+11-jre/legal/LICENSE-link", .type = '2', .mode = 0777, .link = "../release"});
    return test::gzip(test::buildTar(items));
}

std::string sha256Text(const std::string& bytes) {
    Sha256 hash;
    hash.update(bytes);
    return sha256Hex(*hash.finish());
}

class PinnedInstallLaunch : public ::testing::Test {
protected:
    test::TempFolder folder;
    test::LoopbackServer server;
    fs::path exe = folder.path() / "viewer";
    fs::path data = folder.path() / "data";
    fs::path standinTrace = folder.path() / "standin.txt";
    fs::path launchTrace = folder.path() / "launch.txt";
    test::EnvironmentOverride dataHome{u"XDG_DATA_HOME", data.u16string()};
    test::EnvironmentOverride standinVariable{u"STANDIN_TRACE", standinTrace.u16string()};
    test::EnvironmentOverride traceVariable{u"QX_LAUNCHER_TRACE", launchTrace.u16string()};
    test::EnvironmentOverride noJavaHome{u"JAVA_HOME", std::nullopt};
    test::EnvironmentOverride noProxy{u"http_proxy", std::nullopt};

    void SetUp() override {
        fs::copy_file(test::builtLauncher(), exe);
        fs::permissions(exe, fs::perms::owner_all);
        test::writeBytes(folder.path() / "app.jar", "PK");
    }
    // Pins what the server gives at path, under the checksum sha256.
    fs::path pin(const std::string& path, const std::string& sha256) {
        test::writeBytes(folder.path() / "viewer.ini",
                         "[Product Information]\nProduct Name=Viewer\nProduct Code=CODE\n"
                         "[Java Runtime Environment]\nMain Class=standin.Echo\nMinimum Version=99\n"
                         "Runtime Download URL=" + server.url(path) + "\nRuntime Download SHA-256=" + sha256 +
                         "\n[Class Path]\nClass Path=app.jar\n");
        return data / "Viewer" / "CODE" / "runtime" / sha256.substr(0, 16);
    }
    std::string text(const fs::path& file) const { return fs::exists(file) ? test::readBytes(file) : ""; }
};

TEST_F(PinnedInstallLaunch, InstallsOnceAndRunsFromEitherArchiveKind) {
    const std::string zip = test::buildZip(standinZipItems());
    const std::string tgz = standinTarGz();
    int served = 0;
    for (const auto& [path, bytes] : {std::pair{"/jre.zip", zip}, std::pair{"/jre.tar.gz", tgz}}) {
        server.serve(path, test::ServedReply{.body = bytes});
        const fs::path installed = pin(path, sha256Text(bytes));
        const test::LaunchResult first = test::launch(exe, {"x"});
        EXPECT_EQ(first.exitCode, 0) << path << ": " << text(launchTrace);
        EXPECT_TRUE(first.messages.empty()) << path << ": " << first.messages.front();
        EXPECT_NE(text(standinTrace).find("main [x]"), std::string::npos) << path << ": the application did not run";
        EXPECT_TRUE(fs::is_directory(installed)) << path;
        EXPECT_EQ(server.connections(), ++served) << path;
        fs::remove(standinTrace);
        EXPECT_EQ(test::launch(exe, {"y"}).exitCode, 0) << path;
        EXPECT_NE(text(standinTrace).find("main [y]"), std::string::npos) << path;
        EXPECT_EQ(server.connections(), served) << path << ": the second start downloaded again";
    }
    EXPECT_TRUE(fs::is_symlink(pin("/jre.tar.gz", sha256Text(tgz)) / "legal" / "LICENSE-link"));
}

// A download that is not the pinned file installs nothing: the start ends as
// one that finds no runtime, after saying why.
TEST_F(PinnedInstallLaunch, AWrongChecksumEndsAsNoRuntimeFound) {
    const std::string zip = test::buildZip(standinZipItems());
    server.serve("/jre.zip", test::ServedReply{.body = zip});
    const fs::path installed = pin("/jre.zip", std::string(64, 'a'));
    const test::LaunchResult result = test::launch(exe, {"x"});
    EXPECT_EQ(result.exitCode, 255);
    ASSERT_EQ(result.messages.size(), 2u) << text(launchTrace);
    EXPECT_NE(result.messages[0].find("has the SHA-256 checksum " + sha256Text(zip) + ", not " + std::string(64, 'a')),
              std::string::npos) << result.messages[0];
    EXPECT_NE(result.messages[1].find("was not found"), std::string::npos) << result.messages[1];
    EXPECT_FALSE(fs::exists(installed));
    EXPECT_EQ(std::distance(fs::directory_iterator(installed.parent_path()), {}), 1) << "more than the lock file";
    EXPECT_NE(text(launchTrace).find("runtime install: SHA-256"), std::string::npos) << text(launchTrace);
}

// A runtime folder that a cleaner damaged is installed again in its place,
// and the start goes on with it.
TEST_F(PinnedInstallLaunch, ADamagedFolderIsInstalledAgain) {
    const std::string zip = test::buildZip(standinZipItems());
    server.serve("/jre.zip", test::ServedReply{.body = zip});
    const fs::path installed = pin("/jre.zip", sha256Text(zip));
    ASSERT_EQ(test::launch(exe, {"x"}).exitCode, 0) << text(launchTrace);
    fs::remove(installed / "lib" / "server" / "libjvm.so");
    fs::remove(standinTrace);
    const test::LaunchResult again = test::launch(exe, {"y"});
    EXPECT_EQ(again.exitCode, 0) << text(launchTrace);
    EXPECT_TRUE(again.messages.empty()) << again.messages.front();
    EXPECT_NE(text(standinTrace).find("main [y]"), std::string::npos) << "the application did not run";
    EXPECT_TRUE(fs::exists(installed / "lib" / "server" / "libjvm.so"));
    EXPECT_EQ(std::distance(fs::directory_iterator(installed.parent_path()), {}), 2) << "more than the runtime and the lock";
    EXPECT_EQ(server.connections(), 2);
}

// Plain http to another machine is a configuration error at every start,
// before any search or download: nothing is contacted.
TEST_F(PinnedInstallLaunch, AClearTextPinElsewhereIsAConfigurationError) {
    test::LoopbackServer elsewhere{"0.0.0.0"};
    ASSERT_TRUE(elsewhere.listening());
    const std::string address = elsewhere.url("/jre.zip");
    test::writeBytes(folder.path() / "viewer.ini",
                     "[Product Information]\nProduct Name=Viewer\nProduct Code=CODE\n"
                     "[Java Runtime Environment]\nMain Class=standin.Echo\nMinimum Version=99\n"
                     "Runtime Download URL=" + address + "\nRuntime Download SHA-256=" + std::string(64, 'a') + "\n");
    const test::LaunchResult result = test::launch(exe, {"x"});
    EXPECT_EQ(result.exitCode, 255);
    ASSERT_EQ(result.messages.size(), 1u) << text(launchTrace);
    EXPECT_EQ(result.messages[0], "Runtime Download URL: " + address + " is a plain http address; a runtime is "
                                  "downloaded over https only (plain http only from the loopback address 127.0.0.1 "
                                  "or [::1]).");
    EXPECT_EQ(elsewhere.connections(), 0);
}

} // namespace
} // namespace launcher
