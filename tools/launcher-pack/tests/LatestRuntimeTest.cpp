// --runtime-download-latest: the release picked from the Adoptium API's
// answers, and the whole command against a loopback server that answers as
// the API does (a recorded answer of the real API).

#include "FileIo.h"
#include "LatestRuntime.h"
#include "PackCommand.h"
#include "SyntheticPe.h"

#include "RecordedAnswers.h"
#include "support/LoopbackServer.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <sstream>

namespace launcher::pack {
namespace {

using launcher::test::ServedReply;

const LatestRuntimeRequest k21{"21", "https://api.adoptium.net"};

// One entry of an answer, in the API's shape, with what the rows vary.
std::string entry(const std::string& arch, const std::string& image, int security, const std::string& os = "windows",
                  const std::string& link = "", const std::string& checksum = std::string(64, 'a')) {
    const std::string name = "jdk-21.0." + std::to_string(security) + "+7";
    const std::string file = link.empty() ? "https://example.org/" + arch + "-" + image + "-" + os + "-" +
                                                std::to_string(security) + ".zip"
                                          : link;
    return R"({"binary":{"architecture":")" + arch + R"(","image_type":")" + image + R"(","jvm_impl":"hotspot","os":")" +
           os + R"(","package":{"checksum":")" + checksum + R"(","link":")" + file +
           R"(","size":4000}},"release_name":")" + name + R"(","version":{"major":21,"minor":0,"security":)" +
           std::to_string(security) + R"(,"build":7}})";
}

struct PickRow {
    const char* name;
    std::string answer;
    std::string architecture;
    std::string expected; // the picked link, or words of the error
    bool picks;
};
void PrintTo(const PickRow& row, std::ostream* out) { *out << row.name; }

class PickRelease : public testing::TestWithParam<PickRow> {};

TEST_P(PickRelease, PicksTheNewestFittingEntryOrSaysWhyNone) {
    const PickRow& row = GetParam();
    if (row.picks) {
        const AdoptiumRelease release = pickAdoptiumRelease(row.answer, k21, row.architecture);
        EXPECT_EQ(release.pin.url, row.expected);
        return;
    }
    try {
        pickAdoptiumRelease(row.answer, k21, row.architecture);
        FAIL() << "picked a release";
    } catch (const PackError& e) {
        EXPECT_NE(std::string(e.what()).find(row.expected), std::string::npos) << e.what();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Answers, PickRelease,
    testing::Values(
        PickRow{"RecordedAnswer", launcher::test::kAdoptiumLatest21WindowsX64, "x64",
                "https://github.com/adoptium/temurin21-binaries/releases/download/jdk-21.0.5%2B11/"
                "OpenJDK21U-jre_x64_windows_hotspot_21.0.5_11.zip", true},
        PickRow{"NewestOfSeveral",
                "[" + entry("x64", "jre", 4) + "," + entry("x64", "jre", 6) + "," + entry("x64", "jre", 5) + "]", "x64",
                "https://example.org/x64-jre-windows-6.zip", true},
        PickRow{"OnlyTheFittingOne",
                "[" + entry("x64", "jdk", 9) + "," + entry("aarch64", "jre", 9) + "," + entry("x64", "jre", 9, "linux") +
                    "," + entry("x64", "jre", 3) + "]",
                "x64", "https://example.org/x64-jre-windows-3.zip", true},
        PickRow{"NoX86For21", "[]", "x86", "the Adoptium API has no Windows x86 JRE of Java 21", false},
        PickRow{"NothingFits", "[" + entry("x64", "jdk", 5) + "]", "x64", "no Windows x64 JRE of Java 21", false},
        PickRow{"AnotherFeatureVersion",
                R"([{"binary":{"architecture":"x64","image_type":"jre","os":"windows","package":{}},"version":{"major":17}}])",
                "x64", "no Windows x64 JRE of Java 21", false},
        PickRow{"MalformedJson", R"([{"binary": )", "x64", "answered with malformed JSON", false},
        PickRow{"NotAList", R"({"errorMessage":"No releases match the request"})", "x64",
                "answered with something other than a list", false},
        PickRow{"ShortChecksum", "[" + entry("x64", "jre", 5, "windows", "", "abc123") + "]", "x64",
                "the release jdk-21.0.5+7 has the checksum \"abc123\", which is not 64 hexadecimal digits", false},
        PickRow{"InstallerOnly", "[" + entry("x64", "jre", 5, "windows", "https://example.org/jre.msi") + "]", "x64",
                "has no zip archive as its package", false},
        PickRow{"ClearTextLink", "[" + entry("x64", "jre", 5, "windows", "http://example.org/jre.zip") + "]", "x64",
                "has its package at \"http://example.org/jre.zip\", which is not an https address", false},
        PickRow{"LoopbackHttpLink", "[" + entry("x64", "jre", 5, "windows", "http://127.0.0.1:8080/jre.zip") + "]",
                "x64", "http://127.0.0.1:8080/jre.zip", true},
        PickRow{"NoSize",
                R"([{"binary":{"architecture":"x64","image_type":"jre","os":"windows","package":{"link":"https://e/j.zip","checksum":")" +
                    std::string(64, 'b') + R"("}}}])",
                "x64", "the release has no size in bytes", false}),
    [](const testing::TestParamInfo<PickRow>& info) { return std::string(info.param.name); });

TEST(LatestRuntimeRules, ArchitectureAndAddress) {
    EXPECT_EQ(adoptiumArchitecture(0x8664), "x64");
    EXPECT_EQ(adoptiumArchitecture(0x014C), "x86");
    EXPECT_EQ(adoptiumArchitecture(0xAA64), "aarch64");
    EXPECT_THROW(adoptiumArchitecture(0x01C4), PackError); // 32-bit ARM
    EXPECT_EQ(adoptiumLatestAddress({"17", "http://127.0.0.1:8080/api"}, "x86"),
              "http://127.0.0.1:8080/api/v3/assets/latest/17/hotspot?os=windows&architecture=x86&image_type=jre&vendor=eclipse");
}

// The command, asking a loopback server for the launcher's architecture.
class LatestRuntimeCommand : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(server.listening()); }
    int pack(bool x64, const std::string& feature, const std::string& base) {
        test::SyntheticPe pe;
        pe.pe32Plus = x64;
        const Bytes bytes = pe.build();
        launcher::test::writeBytes(folder.path() / "launcher.exe", std::string(bytes.begin(), bytes.end()));
        err.str("");
        std::ostringstream out;
        return runLauncherPack({"--launcher", displayPath(folder.path() / "launcher.exe"), "--name", "Viewer", "--dest",
                                displayPath(dest), "--runtime-download-latest", feature, "--runtime-api-base", base},
                               out, err);
    }
    std::string apiBase() const { return server.url("/api/"); }
    static std::string path(const char* feature, const char* arch) {
        return std::string("/api/v3/assets/latest/") + feature + "/hotspot?os=windows&architecture=" + arch +
               "&image_type=jre&vendor=eclipse";
    }

    launcher::test::EnvironmentOverride noHttpProxy{u"http_proxy", std::nullopt};
    launcher::test::TempFolder folder;
    fs::path dest = folder.path() / "out";
    launcher::test::LoopbackServer server;
    std::ostringstream err;
};

TEST_F(LatestRuntimeCommand, PinsWhatTheApiNames) {
    server.serve(path("21", "x64"), ServedReply{.body = launcher::test::kAdoptiumLatest21WindowsX64});
    ASSERT_EQ(pack(true, "21", apiBase()), 0) << err.str();
    EXPECT_EQ(launcher::test::readBytes(dest / "Viewer.ini"),
              "[Product Information]\r\nProduct Name=Viewer\r\n[Java Runtime Environment]\r\n"
              "Runtime Download URL=https://github.com/adoptium/temurin21-binaries/releases/download/"
              "jdk-21.0.5%2B11/OpenJDK21U-jre_x64_windows_hotspot_21.0.5_11.zip\r\n"
              "Runtime Download SHA-256=1d3c2a8b6f4e9d0c7b5a3e1f9d7c5b3a1e9f7d5c3b1a9e7f5d3c1b9a7e5f3d1c\r\n"
              "Runtime Download Size=47318235\r\n");
    EXPECT_NE(err.str().find("pinned jdk-21.0.5+11 for Windows x64"), std::string::npos) << err.str();
}

TEST_F(LatestRuntimeCommand, FailuresWriteNothing) {
    server.serve(path("21", "x86"), ServedReply{.body = "[]"});
    server.serve(path("22", "x64"), ServedReply{.body = "<html>Service Unavailable</html>"});
    server.serve(path("23", "x64"), ServedReply{.status = 503, .body = "busy"});
    struct Row {
        bool x64;
        const char* feature;
        std::string words;
    } const rows[] = {
        {false, "21", "the Adoptium API has no Windows x86 JRE of Java 21"},
        {true, "22", "answered with malformed JSON"},
        {true, "23", "HTTP status 503"},
        {true, "99", "HTTP status 404. The Adoptium API knows no Java 99."},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(pack(row.x64, row.feature, apiBase()), 1) << row.feature;
        EXPECT_NE(err.str().find("--runtime-download-latest: "), std::string::npos) << err.str();
        EXPECT_NE(err.str().find(row.words), std::string::npos) << err.str();
        EXPECT_FALSE(fs::exists(dest)) << row.feature;
    }
}

} // namespace
} // namespace launcher::pack
