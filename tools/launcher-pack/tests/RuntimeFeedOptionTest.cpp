// --runtime-feed and its partners: the three keys beside the pin, the key as
// openssl writes it, refusals that write nothing, and the ARM64 sibling
// without them.

#include "FileIo.h"
#include "PackCommand.h"
#include "RuntimeFeedOption.h"
#include "SyntheticPe.h"
#include "ToolProcess.h"

#include "base/Text.h"
#include "support/TestSupport.h"
#include "unit/FeedFixtures.h"

#include <gtest/gtest.h>

#include <sstream>

namespace launcher::pack {
namespace {

using launcher::test::readBytes;
using launcher::test::writeBytes;

const std::string kFeedSha256(64, 'e');
const std::string kFeedUrl = "https://feed.example.com/runtime-feed.ini";

// A PEM file of a base64 key, wrapped at 64 columns as openssl writes it.
std::string pemOf(std::u16string_view base64, const char* label = "PUBLIC KEY", const char* lineEnd = "\n") {
    const std::string text = toUtf8(base64);
    std::string pem = std::string("-----BEGIN ") + label + "-----" + lineEnd;
    for (size_t at = 0; at < text.size(); at += 64) pem += text.substr(at, 64) + lineEnd;
    return pem + "-----END " + label + "-----" + lineEnd;
}

class RuntimeFeedOption : public testing::Test {
protected:
    launcher::test::TempFolder folder;
    fs::path dest = folder.path() / "out";
    std::ostringstream out, err;

    void SetUp() override {
        writeLauncher("launcher.exe", 0);
        writeLauncher("arm64.exe", 0xAA64);
        writeBytes(folder.path() / "right.pub.pem", pemOf(launcher::test::kRightKey));
        writeBytes(folder.path() / "p384.pub.pem", pemOf(launcher::test::kP384Key));
        writeBytes(folder.path() / "private.pem", pemOf(launcher::test::kRightKey, "PRIVATE KEY"));
    }
    void writeLauncher(const char* name, uint16_t machine) {
        test::SyntheticPe pe;
        pe.machine = machine;
        const Bytes bytes = pe.build();
        writeBytes(folder.path() / name, std::string(bytes.begin(), bytes.end()));
    }
    // A pinned package run with more options; "@x" is a file in the test's folder.
    int pack(std::vector<std::string> more) {
        std::vector<std::string> arguments = {"--launcher", "@launcher.exe", "--name", "Viewer", "--dest", "@out"};
        arguments.insert(arguments.end(), more.begin(), more.end());
        for (std::string& a : arguments) {
            if (a.starts_with("@")) a = displayPath(folder.path() / a.substr(1));
        }
        out.str("");
        err.str("");
        return runLauncherPack(arguments, out, err);
    }
    static std::vector<std::string> pinned(std::vector<std::string> more) {
        std::vector<std::string> arguments = {"--runtime-download", "https://example.com/jre.zip", "--runtime-sha256",
                                              kFeedSha256};
        arguments.insert(arguments.end(), more.begin(), more.end());
        return arguments;
    }
};

TEST_F(RuntimeFeedOption, KeysGoBesideThePin) {
    const std::string key = toUtf8(launcher::test::kRightKey);
    ASSERT_EQ(pack(pinned({"--runtime-feed", kFeedUrl, "--runtime-feed-key", "@right.pub.pem"})), 0) << err.str();
    EXPECT_EQ(readBytes(dest / "Viewer.ini"),
              "[Product Information]\r\nProduct Name=Viewer\r\n[Java Runtime Environment]\r\n"
              "Runtime Download URL=https://example.com/jre.zip\r\nRuntime Download SHA-256=" + kFeedSha256 + "\r\n"
              "Runtime Feed URL=" + kFeedUrl + "\r\nRuntime Feed Key=" + key + "\r\nRuntime Feed Interval=24\r\n");
    // The vendor's own values are replaced in place, the interval too when
    // the option leaves it out.
    writeBytes(folder.path() / "app.ini", "[Product Information]\nProduct Name=V\n[Java Runtime Environment]\n"
                                          "Runtime Feed URL=https://old.example/f.ini\nRuntime Feed Interval=5\n");
    ASSERT_EQ(pack(pinned({"--ini", "@app.ini", "--runtime-feed", "http://127.0.0.1:8000/f.ini", "--runtime-feed-key",
                           "@right.pub.pem"})),
              0) << err.str();
    const std::string ini = readBytes(dest / "Viewer.ini");
    for (const std::string& line : std::vector<std::string>{"Runtime Feed URL=http://127.0.0.1:8000/f.ini\n", "Runtime Feed Interval=24\n",
                                   "Runtime Feed Key=" + key + "\n"}) {
        EXPECT_NE(ini.find(line), std::string::npos) << line << "in\n" << ini;
    }
    EXPECT_EQ(ini.find("old.example"), std::string::npos) << ini;
    ASSERT_EQ(pack(pinned({"--runtime-feed", kFeedUrl, "--runtime-feed-key", "@right.pub.pem", "--runtime-feed-interval",
                           " 0 "})),
              0) << err.str();
    EXPECT_NE(readBytes(dest / "Viewer.ini").find("\r\nRuntime Feed Interval=0\r\n"), std::string::npos);
}

// The key the launcher checks with is the very one openssl reads from the
// public key file, in the form the manual tells vendors to compare with.
TEST_F(RuntimeFeedOption, KeyIsWhatOpensslReadsFromTheFile) {
    const std::optional<fs::path> openssl = findTool("openssl");
    if (!openssl) GTEST_SKIP() << "needs the openssl tool on PATH (scripts/setup installs it on Linux; Wine has none)";
    ASSERT_EQ(runLauncherPack({"feed-key", "--out", displayPath(folder.path() / "made")}, out, err), 0) << err.str();
    const std::string pub = displayPath(folder.path() / "made.pub.pem"), der = displayPath(folder.path() / "made.der");
    ASSERT_EQ(runTool(*openssl, {"pkey", "-pubin", "-in", pub, "-outform", "DER", "-out", der}).exitCode, 0);
    const ToolRun base64 = runTool(*openssl, {"base64", "-A", "-in", der});
    ASSERT_EQ(base64.exitCode, 0) << base64.output;
    const std::string expected = base64.output.substr(0, base64.output.find_last_not_of("\r\n") + 1);
    ASSERT_EQ(pack(pinned({"--runtime-feed", kFeedUrl, "--runtime-feed-key", "@made.pub.pem"})), 0) << err.str();
    EXPECT_NE(readBytes(dest / "Viewer.ini").find("\r\nRuntime Feed Key=" + expected + "\r\n"), std::string::npos)
        << expected << "\n" << readBytes(dest / "Viewer.ini");
}

struct Refusal {
    const char* name;
    std::vector<std::string> arguments;
    const char* message;
};
void PrintTo(const Refusal& r, std::ostream* out) { *out << r.name; }

class RuntimeFeedRefusal : public RuntimeFeedOption, public testing::WithParamInterface<Refusal> {};

TEST_P(RuntimeFeedRefusal, IsAUsageErrorThatWritesNothing) {
    EXPECT_EQ(pack(GetParam().arguments), 2);
    EXPECT_NE(err.str().find(GetParam().message), std::string::npos) << err.str();
    EXPECT_FALSE(fs::exists(dest));
}

const std::vector<std::string> kKey = {"--runtime-feed-key", "@right.pub.pem"};

std::vector<std::string> feedWith(std::vector<std::string> more, std::string url = kFeedUrl) {
    std::vector<std::string> arguments = {"--runtime-download", "https://example.com/jre.zip", "--runtime-sha256",
                                          kFeedSha256, "--runtime-feed", url};
    arguments.insert(arguments.end(), more.begin(), more.end());
    return arguments;
}

std::vector<std::string> keyed(std::vector<std::string> more, std::string url = kFeedUrl) {
    more.insert(more.begin(), kKey.begin(), kKey.end());
    return feedWith(more, url);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RuntimeFeedRefusal,
    testing::Values(
        Refusal{"NoPin", {"--runtime-feed", kFeedUrl, "--runtime-feed-key", "@right.pub.pem"}, "needs a pinned runtime"},
        Refusal{"KeyWithoutFeed", {"--runtime-feed-key", "@right.pub.pem"}, "--runtime-feed-key needs --runtime-feed"},
        Refusal{"IntervalWithoutFeed", {"--runtime-feed-interval", "5"}, "--runtime-feed-interval needs --runtime-feed"},
        Refusal{"NoKey", feedWith({}), "--runtime-feed needs --runtime-feed-key"},
        Refusal{"MissingKeyFile", feedWith({"--runtime-feed-key", "@none.pub.pem"}), "none.pub.pem: cannot be read"},
        Refusal{"PrivateKey", feedWith({"--runtime-feed-key", "@private.pem"}), "is a private key"},
        Refusal{"NotPem", feedWith({"--runtime-feed-key", "@launcher.exe"}), "holds no public key in PEM form"},
        Refusal{"KeyOfAnotherCurve", feedWith({"--runtime-feed-key", "@p384.pub.pem"}), "not an ECDSA P-256 public key"},
        Refusal{"ClearText", keyed({}, "http://feed.example.com/f.ini"), "not an address the launcher looks at"},
        Refusal{"EmptyUrl", keyed({}, " "), "--runtime-feed: no address given"},
        Refusal{"IntervalTooLong", keyed({"--runtime-feed-interval", "87601"}), "\"87601\" is not a whole number"},
        Refusal{"IntervalBlank", keyed({"--runtime-feed-interval", ""}), "\"\" is not a whole number"},
        // Checked before the API is asked: the loopback port has no server,
        // and asking would fail with exit code 1 instead.
        Refusal{"BeforeTheLatestRuntimeIsAsked",
                {"--runtime-download-latest", "21", "--runtime-api-base", "http://127.0.0.1:9", "--runtime-feed", kFeedUrl,
                 "--runtime-feed-key", "@p384.pub.pem"},
                "not an ECDSA P-256 public key"}),
    [](const testing::TestParamInfo<Refusal>& info) { return info.param.name; });

// The pinned runtime is the x64 launcher's, and so is the feed that
// replaces it: neither the options' keys nor those of the vendor's
// embedded settings reach the sibling.
TEST_F(RuntimeFeedOption, Arm64SiblingNamesNoFeed) {
    writeBytes(folder.path() / "embed.ini", "[Java Runtime Environment]\nRuntime Feed URL=" + kFeedUrl +
                                                "\nRuntime Feed Interval=3\nMain Class=a.Main\n");
    ASSERT_EQ(pack(pinned({"--arm64-launcher", "@arm64.exe", "--embed", "@embed.ini", "--upgrade-code", "{U-1}",
                           "--runtime-feed", kFeedUrl, "--runtime-feed-key", "@right.pub.pem", "--runtime-feed-interval",
                           "12"})),
              0) << err.str();
    EXPECT_NE(readBytes(dest / "Viewer.ini").find("Runtime Feed Interval=12"), std::string::npos);
    EXPECT_EQ(readBytes(dest / "Viewer-arm64.ini"), "[Product Information]\r\nUpgrade Code={U-1}\r\nProduct Name=Viewer\r\n"
                                                    "[Java Runtime Environment]\r\n[Application]\r\nX64 Product=Viewer.exe\r\n");
    ASSERT_EQ(runLauncherPack({"--show", displayPath(dest / "Viewer-arm64.exe"), "--upgrade-code", "{U-1}"}, out, err), 0);
    EXPECT_NE(out.str().find("Main Class=a.Main"), std::string::npos) << out.str();
    EXPECT_EQ(out.str().find("Runtime Feed"), std::string::npos) << out.str();
}

TEST(RuntimeFeedPem, PublicKeyBase64) {
    const std::string key = toUtf8(launcher::test::kRightKey);
    const std::string pem = pemOf(launcher::test::kRightKey);
    const struct {
        const char* label;
        std::string text;
        std::optional<std::string> key;
    } rows[] = {
        {"OpensslsForm", pem, key},
        {"WindowsLineEnds", pemOf(launcher::test::kRightKey, "PUBLIC KEY", "\r\n"), key},
        {"TextAroundIt", "made by hand\n" + pem + "\ntrailing notes\n", key},
        {"OneLine", "-----BEGIN PUBLIC KEY-----" + key + "-----END PUBLIC KEY-----", key},
        {"TwoKeys", pem + pem, std::nullopt},
        {"NoEnd", pem.substr(0, pem.find("-----END")), std::nullopt},
        {"Empty", "-----BEGIN PUBLIC KEY-----\n-----END PUBLIC KEY-----\n", std::nullopt},
        {"AnotherKind", pemOf(launcher::test::kRightKey, "EC PUBLIC KEY"), std::nullopt},
    };
    for (const auto& row : rows) EXPECT_EQ(publicKeyBase64(row.text), row.key) << row.label;
}

} // namespace
} // namespace launcher::pack
