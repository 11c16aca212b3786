// launcher-pack feed-key and feed: the key pair, a feed that openssl
// verifies, re-runs that carry a feed on and re-runs that are refused with
// the folder left as it was, and the Adoptium API asked for the platform.

#include "FileIo.h"
#include "LatestRuntime.h"
#include "PackCommand.h"
#include "ToolProcess.h"

#include "support/LoopbackServer.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <sstream>

namespace launcher::pack {
namespace {

using launcher::test::readBytes;
using launcher::test::writeBytes;

const std::string kCommandSha(64, 'c');

bool mentions(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// Every file below a folder, with its bytes.
std::map<std::string, std::string> folderBytes(const fs::path& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (entry.is_regular_file()) files[displayPath(entry.path().lexically_relative(folder))] = readBytes(entry.path());
    }
    return files;
}

class FeedCommand : public testing::Test {
protected:
    void SetUp() override {
        openssl_ = findTool("openssl");
        if (!openssl_) GTEST_SKIP() << "needs the openssl tool on PATH (scripts/setup installs it on Linux; Wine has none)";
    }
    int run(std::vector<std::string> arguments) {
        out.str("");
        err.str("");
        return runLauncherPack(arguments, out, err);
    }
    std::string key(const std::string& name) {
        if (!fs::exists(folder.path() / (name + ".pem"))) {
            EXPECT_EQ(run({"feed-key", "--out", displayPath(folder.path() / name)}), 0) << err.str();
        }
        return displayPath(folder.path() / (name + ".pem"));
    }
    int feed(const std::string& platform, const std::string& version, std::vector<std::string> more = {},
             const std::string& keyName = "vendor") {
        std::vector<std::string> arguments = {"feed", "--key", key(keyName), "--out", displayPath(dir), "--platform", platform,
                                              "--runtime-download", "https://example.org/" + platform + ".zip",
                                              "--runtime-sha256", kCommandSha, "--runtime-size", "4000", "--version", version};
        arguments.insert(arguments.end(), more.begin(), more.end());
        return run(arguments);
    }
    ToolRun openssl(const std::vector<std::string>& arguments) { return runTool(*openssl_, arguments); }
    ToolRun verify(const std::string& publicKey) {
        return openssl({"dgst", "-sha256", "-verify", publicKey, "-signature", displayPath(dir / "runtime-feed.ini.sig"),
                        displayPath(dir / "runtime-feed.ini")});
    }

    std::optional<fs::path> openssl_;
    launcher::test::TempFolder folder;
    fs::path dir = folder.path() / "feed";
    std::ostringstream out, err;
};

TEST_F(FeedCommand, KeyPairIsP256AndNeverReplaced) {
    const std::string name = displayPath(folder.path() / "vendor");
    ASSERT_EQ(run({"feed-key", "--out", name}), 0) << err.str();
    ToolRun text = openssl({"pkey", "-in", name + ".pub.pem", "-pubin", "-noout", "-text"});
    EXPECT_EQ(text.exitCode, 0) << text.output;
    EXPECT_TRUE(mentions(text.output, "prime256v1") || mentions(text.output, "P-256")) << text.output;
    const auto keys = folderBytes(folder.path());
    EXPECT_EQ(keys.size(), 2u);
    EXPECT_EQ(run({"feed-key", "--out", name}), 1);
    EXPECT_TRUE(mentions(err.str(), "vendor.pem exists; a feed key is never replaced")) << err.str();
    fs::remove(folder.path() / "vendor.pem");
    EXPECT_EQ(run({"feed-key", "--out", name}), 1) << "the public half alone is not replaced either";
    EXPECT_EQ(folderBytes(folder.path()).count("vendor.pem"), 0u);
    EXPECT_EQ(run({"feed-key", "--out", name + ".pem"}), 2);
    EXPECT_EQ(run({"feed-key"}), 2);
}

TEST_F(FeedCommand, WritesAFeedThatOpensslVerifies) {
    ASSERT_EQ(feed("windows-x64", "21.0.5", {"--product-code", "{PC-1}"}), 0) << err.str();
    EXPECT_EQ(readBytes(dir / "runtime-feed.ini"),
              "[Feed]\r\nProduct Code={PC-1}\r\nSequence=1\r\n[windows-x64]\r\nURL=https://example.org/windows-x64.zip\r\n"
              "SHA-256=" + kCommandSha + "\r\nSize=4000\r\nVersion=21.0.5\r\n");
    ToolRun verified = verify(displayPath(folder.path() / "vendor.pub.pem"));
    EXPECT_EQ(verified.exitCode, 0) << verified.output;
    EXPECT_EQ(folderBytes(dir).size(), 2u) << "the key's public half is no part of the feed";
}

TEST_F(FeedCommand, ReRunKeepsTheOtherPlatformsAndCountsUp) {
    ASSERT_EQ(feed("windows-x64", "21.0.5", {"--product-code", "{PC-1}"}), 0) << err.str();
    writeBytes(dir / "index.html", "the vendor's own file");
    ASSERT_EQ(feed("linux-x64", "21.0.5"), 0) << err.str();
    ASSERT_EQ(feed("windows-x64", "21.0.6"), 0) << err.str();
    const std::string text = readBytes(dir / "runtime-feed.ini");
    EXPECT_TRUE(mentions(text, "Product Code={PC-1}\r\nSequence=3\r\n")) << text;
    EXPECT_TRUE(mentions(text, "[windows-x64]\r\nURL=https://example.org/windows-x64.zip\r\nSHA-256=" + kCommandSha +
                                   "\r\nSize=4000\r\nVersion=21.0.6\r\n")) << text;
    EXPECT_TRUE(mentions(text, "[linux-x64]\r\nURL=https://example.org/linux-x64.zip\r\n")) << text;
    EXPECT_TRUE(mentions(out.str(), "linux-x64: 21.0.5 https://example.org/linux-x64.zip (4000 bytes), kept")) << out.str();
    EXPECT_EQ(verify(displayPath(folder.path() / "vendor.pub.pem")).exitCode, 0);
    EXPECT_EQ(readBytes(dir / "index.html"), "the vendor's own file");
}

// A re-run that cannot trust the feed it finds, or would change its product,
// leaves the folder as it was, and nothing beside it.
TEST_F(FeedCommand, RefusedReRunsLeaveTheFolderAsItWas) {
    ASSERT_EQ(feed("windows-x64", "21.0.5", {"--product-code", "{PC-1}"}), 0) << err.str();
    const auto published = folderBytes(dir);
    key("stranger");
    struct Row {
        const char* name;
        std::function<void()> change;
        std::vector<std::string> more;
        std::string keyName;
        std::string words;
    } const rows[] = {
        {"OneByteOfTheFeed", [&] { writeBytes(dir / "runtime-feed.ini", std::string(published.at("runtime-feed.ini")).replace(40, 1, "X")); },
         {}, "vendor", "its signature does not verify"},
        {"OneByteOfTheSignature",
         [&] {
             std::string sig = published.at("runtime-feed.ini.sig");
             sig[sig.size() - 1] ^= 1;
             writeBytes(dir / "runtime-feed.ini.sig", sig);
         },
         {}, "vendor", "its signature does not verify"},
        {"EmptySignature", [&] { writeBytes(dir / "runtime-feed.ini.sig", ""); }, {}, "vendor", "its signature does not verify"},
        {"NoSignature", [&] { fs::remove(dir / "runtime-feed.ini.sig"); }, {}, "vendor", "has no signature"},
        {"AnotherKey", [] {}, {}, "stranger", "its signature does not verify"},
        {"AnotherProduct", [] {}, {"--product-code", "{PC-2}"}, "vendor", "is the feed of the product code \"{PC-1}\""},
    };
    for (const Row& row : rows) {
        for (const auto& [name, bytes] : published) writeBytes(dir / name, bytes);
        row.change();
        const auto before = folderBytes(dir);
        EXPECT_EQ(feed("linux-x64", "21.0.5", row.more, row.keyName), 1) << row.name;
        EXPECT_TRUE(mentions(err.str(), row.words)) << row.name << ": " << err.str();
        EXPECT_EQ(folderBytes(dir), before) << row.name;
        EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), fs::directory_iterator()), 5) << row.name;
    }
}

TEST_F(FeedCommand, RefusesAKeyOfAnotherKind) {
    const std::string rsa = displayPath(folder.path() / "rsa.pem");
    ASSERT_EQ(openssl({"genpkey", "-algorithm", "RSA", "-pkeyopt", "rsa_keygen_bits:2048", "-out", rsa}).exitCode, 0);
    EXPECT_EQ(run({"feed", "--key", rsa, "--out", displayPath(dir), "--platform", "linux-x64", "--runtime-download",
                   "https://e.org/j.tar.gz", "--runtime-sha256", kCommandSha, "--runtime-size", "1", "--version", "21"}),
              1);
    EXPECT_TRUE(mentions(err.str(), "is not an ECDSA P-256 key")) << err.str();
    EXPECT_FALSE(fs::exists(dir));
}

// Refused before any key or folder is touched: these need no openssl.
TEST(FeedCommandUsage, BadInputsAreRefused) {
    launcher::test::TempFolder folder;
    const std::string dir = displayPath(folder.path() / "feed"), key = displayPath(folder.path() / "none.pem");
    const std::vector<std::string> given = {"--runtime-download", "https://e.org/j.zip", "--runtime-sha256", kCommandSha,
                                            "--runtime-size", "10", "--version", "21.0.5"};
    auto with = [&](std::vector<std::string> arguments, std::vector<std::string> more) {
        arguments.insert(arguments.end(), more.begin(), more.end());
        return arguments;
    };
    const std::vector<std::string> base = {"feed", "--key", key, "--out", dir, "--platform", "linux-x64"};
    struct Row {
        std::vector<std::string> arguments;
        int code;
        std::string words;
    } const rows[] = {
        {with({"feed", "--out", dir, "--platform", "linux-x64"}, given), 2, "--key NAME.pem is required"},
        {with({"feed", "--key", key, "--platform", "linux-x64"}, given), 2, "--out DIR is required"},
        {with({"feed", "--key", key, "--out", dir}, given), 2, "--platform P is required"},
        {with({"feed", "--key", key, "--out", dir, "--platform", "macos-x64"}, given), 2, "\"macos-x64\" is not windows-x64"},
        {with(base, {"--runtime-download", "https://e.org/j.zip", "--runtime-sha256", kCommandSha, "--version", "21"}), 2,
         "--runtime-size is required"},
        {with(base, with(given, {"--runtime-download-latest", "21"})), 2, "does not go with --runtime-download-latest"},
        {with(base, {"--runtime-download-latest", "21", "--version", "21"}), 2, "--version does not go with"},
        {with(base, with(given, {"--runtime-api-base", "http://127.0.0.1:1"})), 2, "--runtime-api-base goes with"},
        {with(base, with(given, {"--launcher", "launcher.exe"})), 2, "unknown option --launcher"},
        {with(base, with(given, {"--platform", "linux-x64"})), 2, "--platform is given twice"},
        {with(base, {"--runtime-download", "http://e.org/j.zip", "--runtime-sha256", kCommandSha, "--runtime-size", "10",
                     "--version", "21"}), 1, "is not an https address"},
        {with(base, with(given, {"--product-code", ""})), 1, "--product-code: "},
        {with(base, {"--runtime-download-latest", "seven"}), 1, "is not a Java feature version"},
    };
    for (const Row& row : rows) {
        std::ostringstream out, err;
        EXPECT_EQ(runLauncherPack(row.arguments, out, err), row.code) << err.str();
        EXPECT_TRUE(mentions(err.str(), row.words)) << err.str();
        EXPECT_TRUE(fs::is_empty(folder.path())) << err.str();
    }
}

// One entry of an answer of the Adoptium API for the feed's platforms.
std::string adoptiumEntry(const std::string& os, const std::string& arch, int security, const std::string& link) {
    return R"({"binary":{"architecture":")" + arch + R"(","image_type":"jre","jvm_impl":"hotspot","os":")" + os +
           R"(","package":{"checksum":")" + std::string(64, 'D') + R"(","link":")" + link +
           R"(","size":5000}},"release_name":"jdk-21.0.)" + std::to_string(security) +
           R"(+7","version":{"major":21,"minor":0,"security":)" + std::to_string(security) + R"(,"build":7}})";
}

class FeedLatest : public FeedCommand {
protected:
    int latest(const std::string& platform) {
        return run({"feed", "--key", key("vendor"), "--out", displayPath(dir), "--platform", platform,
                    "--runtime-download-latest", "21", "--runtime-api-base", server.url("/api")});
    }
    static std::string path(const char* os, const char* arch) {
        return std::string("/api/v3/assets/latest/21/hotspot?os=") + os + "&architecture=" + arch +
               "&image_type=jre&vendor=eclipse";
    }
    launcher::test::EnvironmentOverride noHttpProxy{u"http_proxy", std::nullopt};
    launcher::test::LoopbackServer server;
};

TEST_F(FeedLatest, AsksForThePlatformsSystemAndArchive) {
    ASSERT_TRUE(server.listening());
    server.serve(path("linux", "x64"),
                 {.body = "[" + adoptiumEntry("linux", "x64", 4, "https://e.org/jre-4.tar.gz") + "," +
                          adoptiumEntry("windows", "x64", 6, "https://e.org/jre-6.zip") + "," +
                          adoptiumEntry("linux", "x64", 5, "https://e.org/jre-5.tar.gz") + "]"});
    server.serve(path("windows", "x86"), {.body = "[" + adoptiumEntry("windows", "x86", 3, "https://e.org/jre-x86.zip") + "]"});
    ASSERT_EQ(latest("linux-x64"), 0) << err.str();
    ASSERT_EQ(latest("windows-x86"), 0) << err.str();
    EXPECT_EQ(readBytes(dir / "runtime-feed.ini"),
              "[Feed]\r\nSequence=2\r\n"
              "[windows-x86]\r\nURL=https://e.org/jre-x86.zip\r\nSHA-256=" + std::string(64, 'd') + "\r\nSize=5000\r\nVersion=21.0.3\r\n"
              "[linux-x64]\r\nURL=https://e.org/jre-5.tar.gz\r\nSHA-256=" + std::string(64, 'd') + "\r\nSize=5000\r\nVersion=21.0.5\r\n");
    EXPECT_TRUE(mentions(out.str(), "windows-x86: 21.0.3 https://e.org/jre-x86.zip (5000 bytes), jdk-21.0.3+7")) << out.str();
    EXPECT_EQ(verify(displayPath(folder.path() / "vendor.pub.pem")).exitCode, 0);
}

TEST_F(FeedLatest, AnAnswerWithoutTheSystemsArchiveChangesNothing) {
    ASSERT_TRUE(server.listening());
    server.serve(path("linux", "x64"), {.body = "[" + adoptiumEntry("linux", "x64", 5, "https://e.org/jre.zip") + "]"});
    ASSERT_EQ(latest("linux-x64"), 1);
    EXPECT_TRUE(mentions(err.str(), "has no tar.gz archive as its package")) << err.str();
    EXPECT_FALSE(fs::exists(dir));
}

TEST(LatestRelease, VersionAsTheRuntimeNamesItself) {
    auto versionOf = [](const std::string& numbers) {
        const std::string answer = R"([{"binary":{"architecture":"x64","image_type":"jre","os":"linux","package":{"checksum":")" +
                                   std::string(64, 'a') + R"(","link":"https://e.org/j.tar.gz","size":1}},"version":)" + numbers + "}]";
        const std::string feature = numbers.substr(numbers.find(':') + 1, numbers.find(',') - numbers.find(':') - 1);
        return pickAdoptiumRelease(answer, {feature, "https://api", "linux"}, "x64").version;
    };
    EXPECT_EQ(versionOf(R"({"major":21,"minor":0,"security":5,"build":11})"), "21.0.5");
    EXPECT_EQ(versionOf(R"({"major":17,"minor":0,"security":4,"patch":1,"build":1})"), "17.0.4.1");
    EXPECT_EQ(versionOf(R"({"major":8,"minor":0,"security":432,"build":6})"), "1.8.0.432");
}

} // namespace
} // namespace launcher::pack
