// The start-up cache and the runtime's native splash asked of a runtime that
// has neither: 11 keeps no class-data archive the launcher's cache records
// (that needs 13), and this one has no splashscreen.dll. The start goes on
// without them, and the launch trace says why each was left out.

#include "RealRuntime.win32.h"

#include "support/Screenshot.win32.h"

#include <algorithm>

#include <gtest/gtest.h>

namespace launcher {
namespace {

namespace fs = std::filesystem;

struct FeatureRow {
    const char* name;
    const char* program;
    bool splash; // a picture, to be shown by the runtime's splash library
    // Trace lines (whole) the start must write, in this order.
    std::vector<std::string> said;
};

void PrintTo(const FeatureRow& row, std::ostream* out) { *out << row.name; }

class RuntimeWithoutFeatures : public test::RealRuntimeTest, public ::testing::WithParamInterface<FeatureRow> {
protected:
    fs::path localData = folder.path() / "local";
    fs::path launchTrace = folder.path() / "launch.txt";
    test::EnvironmentOverride localDataVariable{u"LOCALAPPDATA", localData.u16string()};
    test::EnvironmentOverride traceVariable{u"QX_LAUNCHER_TRACE", launchTrace.u16string()};

    std::string trace() const { return fs::exists(launchTrace) ? test::readBytes(launchTrace) : std::string(); }
    // The trace's lines without their time and process prefix
    // ("   12 ms [4711] ").
    std::vector<std::string> traceLines() const {
        std::vector<std::string> lines;
        const std::string text = trace();
        for (size_t at = 0; at < text.size();) {
            size_t end = text.find('\n', at);
            if (end == std::string::npos) end = text.size();
            std::string line = text.substr(at, end - at);
            if (!line.empty() && line.back() == '\r') line.pop_back();
            const size_t close = line.find("] ");
            lines.push_back(close == std::string::npos ? line : line.substr(close + 2));
            at = end + 1;
        }
        return lines;
    }
};

TEST_P(RuntimeWithoutFeatures, TheStartGoesOnAndTheTraceSaysWhy) {
    const FeatureRow& row = GetParam();
    const fs::path home = test::realRuntime().home;
    ASSERT_FALSE(fs::exists(home / "bin" / "splashscreen.dll")) << "the row needs a runtime without a splash library";
    ASSERT_TRUE(test::realRuntime().version.starts_with("11.")) << "the row needs a runtime older than 13";
    useProgram(row.program);
    std::string sections = "[Product Information]\r\nProduct Name=Viewer\r\nProduct Code=CODE\r\n"
                           "[Application]\r\nStartup Cache=Yes\r\n";
    const fs::path picture = folder.path() / "splash.bmp";
    if (row.splash) {
        test::writeBitmapFile(picture, 200, 100, [](int x, int) { return x < 100 ? RGB(200, 30, 40) : RGB(20, 60, 210); });
        sections += "[Display]\r\nSplash Screen=" + picture.string() + "\r\nPreffer Native Splash Screen=Yes\r\n";
    }
    const fs::path report = folder.path() / "report.txt";
    writeIni(jrePathLine(), sections, "realapp.PinnedRuntimeReport");

    // Not captured: Wine's desktop process, started with launcher.exe's first
    // window, would inherit the pipes and hold them open.
    test::StartedProcess launcher(exe.wstring(), L"\"" + report.wstring() + L"\"");
    ASSERT_TRUE(launcher.started());
    EXPECT_EQ(launcher.waitForExit(120000), 0u) << trace();
    ASSERT_TRUE(fs::exists(report)) << "the program did not run\n" << trace();
    EXPECT_EQ(test::reported(test::readBytes(report), "version"), test::realRuntime().version);

    std::vector<std::string> expected = row.said;
    for (std::string& line : expected) {
        const size_t at = line.find("<picture>");
        if (at != std::string::npos) line.replace(at, 9, picture.string());
        const size_t homeAt = line.find("<home>");
        if (homeAt != std::string::npos) line.replace(homeAt, 6, home.string());
    }
    const std::vector<std::string> lines = traceLines();
    auto next = lines.begin();
    for (const std::string& line : expected) {
        next = std::find(next, lines.end(), line);
        EXPECT_NE(next, lines.end()) << "not in the trace (in this order): " << line << "\n" << trace();
        if (next == lines.end()) break;
    }
    // Nothing of a cache was handed to the runtime or written.
    for (const std::string& line : lines) {
        for (const char* option : {"-Xshare", "SharedArchive", "ArchiveClassesAtExit", "-XX:AOT", "-Xlog:cds"}) {
            EXPECT_EQ(line.find(option), std::string::npos) << line;
        }
    }
    EXPECT_FALSE(fs::exists(localData / "Viewer")) << "a cache folder was made";
}

INSTANTIATE_TEST_SUITE_P(
    Starts, RuntimeWithoutFeatures,
    ::testing::Values(
        FeatureRow{"ConsoleCache", "launcher-console.exe", false,
                   {"startup cache: the runtime's version is unknown or older than 13", "startup cache: not used"}},
        FeatureRow{"NativeSplashAndCache", "launcher.exe", true,
                   {"splash: the runtime has no splash library (<home>\\bin\\splashscreen.dll is missing)",
                    "splash: the launcher's window shows <picture>",
                    "startup cache: the runtime's version is unknown or older than 13", "startup cache: not used"}}),
    [](const ::testing::TestParamInfo<FeatureRow>& info) { return std::string(info.param.name); });

} // namespace
} // namespace launcher
