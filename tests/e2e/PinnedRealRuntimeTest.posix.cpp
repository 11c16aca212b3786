// The pinned runtime's install with a real runtime: an image of java.base
// made with the machine's jlink, packed as vendors pack it (one top folder,
// as a zip and as a .tar.gz), served over loopback; the launcher installs
// it and the Java application really runs on it, the second start without
// a download. The minimum version keeps the machine's own runtimes out of
// the search, so only the installed runtime can run the application.

#include "base/Sha256.h"
#include "support/ArchiveBuilder.h"
#include "support/ChildProcess.h"
#include "support/InstalledRuntimes.h"
#include "support/LoopbackServer.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <memory>

namespace launcher {
namespace {

namespace fs = std::filesystem;

constexpr char kImageTopFolder[] = "jdk-17-jre/";

// The image's files below the top folder, with their modes: the runtime's
// programs must stay executable.
std::vector<test::ZipItem> imageZipItems(const fs::path& image) {
    std::vector<test::ZipItem> items;
    for (const auto& item : fs::recursive_directory_iterator(image)) {
        if (!item.is_regular_file() || item.is_symlink()) continue;
        const auto mode = static_cast<uint32_t>(fs::status(item.path()).permissions() & fs::perms::mask);
        items.push_back({.name = kImageTopFolder + fs::relative(item.path(), image).generic_string(),
                         .data = test::readBytes(item.path()), .unixMode = 0100000 | mode});
    }
    return items;
}

std::string realImageSha256(const std::string& bytes) {
    Sha256 hash;
    hash.update(bytes);
    return sha256Hex(*hash.finish());
}

// The image and its two archives, made once for the suite: jlink takes a
// while.
struct RealRuntimeArchives {
    test::TempFolder folder;
    std::string skip; // why there are none
    std::string zip;
    std::string tarGz;
};
std::unique_ptr<RealRuntimeArchives> realArchives;

class PinnedRealRuntime : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        realArchives = std::make_unique<RealRuntimeArchives>();
        const fs::path jdk = test::jdkWithJlink();
        if (jdk.empty()) {
            realArchives->skip = "no JDK with jlink and jmods under /usr/lib/jvm";
            return;
        }
        const fs::path image = realArchives->folder.path() / "image";
        const test::ChildResult made = test::runChild((jdk / "bin/jlink").string(),
            {"--add-modules", "java.base", "--strip-debug", "--no-header-files", "--no-man-pages", "--output", image.string()},
            600);
        ASSERT_EQ(made.exitCode, 0) << made.out << made.err;
        const std::vector<test::ZipItem> items = imageZipItems(image);
        realArchives->zip = test::buildZip(items);
        std::vector<test::TarItem> tarItems;
        for (const test::ZipItem& item : items) {
            tarItems.push_back({.name = item.name, .data = item.data, .mode = item.unixMode & 07777});
        }
        realArchives->tarGz = test::gzip(test::buildTar(tarItems));
    }
    static void TearDownTestSuite() { realArchives.reset(); }

    void SetUp() override {
        if (!realArchives->skip.empty()) GTEST_SKIP() << realArchives->skip;
        ASSERT_TRUE(server.listening());
        fs::copy_file(test::buildFolder() / "bin" / "launcher", exe);
        fs::copy_file(test::buildFolder() / "java" / "probe.jar", folder.path() / "probe.jar");
    }
    // Pins what the server gives at path; the runtime's folder.
    fs::path pin(const std::string& path, const std::string& bytes) {
        server.serve(path, test::ServedReply{.body = bytes});
        const std::string sha256 = realImageSha256(bytes);
        test::writeBytes(folder.path() / "viewer.ini",
                         "[Product Information]\nProduct Name=Viewer\nProduct Code=CODE\n"
                         "[Java Runtime Environment]\nMain Class=probe.Main\nMinimum Version=99\n"
                         "Runtime Download URL=" + server.url(path) + "\nRuntime Download SHA-256=" + sha256 +
                         "\n[Class Path]\nClass Path=probe.jar\n");
        return data / "Viewer" / "CODE" / "runtime" / sha256.substr(0, 16);
    }
    test::ChildResult start() { return test::runChild(exe.string(), {"env"}, 300, folder.path().string()); }

    test::TempFolder folder;
    test::LoopbackServer server;
    fs::path exe = folder.path() / "viewer";
    fs::path data = folder.path() / "data";
    test::EnvironmentOverride dataHome{u"XDG_DATA_HOME", data.u16string()};
    test::EnvironmentOverride noJavaHome{u"JAVA_HOME", std::nullopt};
    test::EnvironmentOverride noProxy{u"http_proxy", std::nullopt};
};

TEST_F(PinnedRealRuntime, InstallsAndRunsTheApplicationFromEitherArchiveKind) {
    int served = 0;
    for (const auto& [path, bytes] : {std::pair{"/jre.zip", &realArchives->zip}, std::pair{"/jre.tar.gz", &realArchives->tarGz}}) {
        const fs::path installed = pin(path, *bytes);
        const test::ChildResult first = start();
        EXPECT_EQ(first.exitCode, 0) << path << ": " << first.err;
        EXPECT_NE(first.out.find("main=returned"), std::string::npos) << path << ": " << first.out << first.err;
        EXPECT_NE(first.out.find("QX_JVM_HOME=" + installed.string()), std::string::npos) << path << ": " << first.out;
        EXPECT_EQ(server.connections(), ++served) << path;
        // The runtime's own programs came out executable.
        EXPECT_EQ(fs::status(installed / "bin" / "java").permissions() & fs::perms::owner_exec, fs::perms::owner_exec);

        const test::ChildResult second = start();
        EXPECT_EQ(second.exitCode, 0) << path << ": " << second.err;
        EXPECT_NE(second.out.find("main=returned"), std::string::npos) << path;
        EXPECT_EQ(server.connections(), served) << path << ": the second start downloaded again";
    }
}

} // namespace
} // namespace launcher
