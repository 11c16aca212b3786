// The vendor's pinned runtime, the real one: its folder zipped below one top
// folder as vendors pack theirs, served over loopback, and installed by
// launcher.exe through the runtime-not-found dialog's Install button or with
// "Runtime Download=Automatic", and by launcher-console.exe, which never
// asks. The program then runs on the installed copy, and the next start
// finds it there without another request.

#include "RealRuntime.win32.h"

#include "base/Sha256.h"
#include "support/ArchiveBuilder.h"
#include "support/DialogProbe.win32.h"
#include "support/LoopbackServer.h"
#include "ui/DialogIds.h"

#include <gtest/gtest.h>

namespace launcher {
namespace {

namespace fs = std::filesystem;

struct RuntimeArchive {
    std::string zip;
    std::string sha256;
};

// Built once for the whole run: the runtime is some 50 MB.
const RuntimeArchive& realRuntimeZip() {
    static const RuntimeArchive archive = [] {
        const fs::path home = test::realRuntime().home;
        std::vector<test::ZipItem> items;
        for (const auto& item : fs::recursive_directory_iterator(home)) {
            if (!item.is_regular_file()) continue;
            items.push_back({.name = "zulu11.29.3-ca-jdk11.0.2-win_x64/" + fs::relative(item.path(), home).generic_string(),
                             .data = test::readBytes(item.path())});
        }
        RuntimeArchive built;
        built.zip = test::buildZip(items);
        Sha256 hash;
        hash.update(built.zip);
        built.sha256 = sha256Hex(*hash.finish());
        return built;
    }();
    return archive;
}

struct InstallRow {
    const char* name;
    const char* program;
    const char* runtimeLines; // beside the pin
    bool pressInstall;        // in the runtime-not-found dialog
    bool sized;               // "Runtime Download Size" is the archive's
};

void PrintTo(const InstallRow& row, std::ostream* out) { *out << row.name; }

// A product "Viewer" of code "CODE" whose runtime can only be its pin: the
// minimum version keeps every other runtime out, and the pinned one is used
// whatever its version. The user's folders are the test's own.
class PinnedRealRuntime : public test::OwnFoldersRealRuntimeTest, public ::testing::WithParamInterface<InstallRow> {
protected:
    test::LoopbackServer server;

    void SetUp() override {
        OwnFoldersRealRuntimeTest::SetUp();
        if (IsSkipped()) return;
        useProgram(GetParam().program);
    }
    // Starts the program, which writes its report to the file named; the
    // exit code, or STILL_ACTIVE when it did not end in time.
    DWORD run(const fs::path& report, bool pressInstall) const {
        test::StartedProcess launcher(exe.wstring(), L"\"" + report.wstring() + L"\"");
        if (!launcher.started()) return STILL_ACTIVE;
        if (pressInstall) {
            HWND dialog = nullptr;
            test::waitUntil([&] {
                dialog = test::waitForProcessWindow(launcher.id(), L"#32770", 100);
                HWND install = dialog ? test::dialogControl(dialog, dialog::kInstallButton) : nullptr;
                return install && IsWindowVisible(install) && IsWindowEnabled(install);
            }, 60000);
            EXPECT_NE(dialog, nullptr) << "no runtime-not-found dialog with the Install button\n" << trace();
            if (dialog) PostMessageW(test::dialogControl(dialog, dialog::kInstallButton), BM_CLICK, 0, 0);
        }
        return launcher.waitForExit(180000);
    }
};

TEST_P(PinnedRealRuntime, InstallsAndRunsTheProgramAndTheNextStartAsksNothing) {
    const InstallRow& row = GetParam();
    const RuntimeArchive& archive = realRuntimeZip();
    server.serve("/zulu11.zip", test::ServedReply{.body = archive.zip});
    std::string lines = std::string("Minimum Version=99\r\nRuntime Download URL=") + server.url("/zulu11.zip") +
                        "\r\nRuntime Download SHA-256=" + archive.sha256 + "\r\n" + row.runtimeLines;
    if (row.sized) lines += "Runtime Download Size=" + std::to_string(archive.zip.size()) + "\r\n";
    writeIni(lines, "[Product Information]\r\nProduct Name=Viewer\r\nProduct Code=CODE\r\n",
             "realapp.PinnedRuntimeReport");
    const fs::path installed = localData / "Viewer" / "CODE" / "runtime" / archive.sha256.substr(0, 16);

    const fs::path first = folder.path() / "first.txt";
    ASSERT_EQ(run(first, row.pressInstall), 0u) << trace();
    ASSERT_TRUE(fs::exists(first)) << "the program did not run\n" << trace();
    const std::string report = test::readBytes(first);
    EXPECT_TRUE(fs::equivalent(test::reported(report, "home"), installed)) << report;
    EXPECT_EQ(test::reported(report, "version"), test::realRuntime().version);
    EXPECT_TRUE(fs::exists(installed / "bin" / "server" / "jvm.dll"));
    EXPECT_TRUE(fs::exists(installed / "lib" / "modules")) << "not the whole runtime was unpacked";
    EXPECT_NE(trace().find("runtime library: " + (installed / "bin" / "server" / "jvm.dll").string()),
              std::string::npos) << trace();
    EXPECT_NE(trace().find("pinned runtime: installing"), std::string::npos) << trace();
    EXPECT_EQ(server.connections(), 1);

    // The next start runs on the installed runtime at once: no dialog, no
    // progress, no request.
    fs::remove(launchTrace);
    const fs::path second = folder.path() / "second.txt";
    ASSERT_EQ(run(second, false), 0u) << trace();
    EXPECT_TRUE(fs::equivalent(test::reported(test::readBytes(second), "home"), installed));
    EXPECT_EQ(server.connections(), 1);
    EXPECT_EQ(trace().find("pinned runtime: installing"), std::string::npos) << trace();
}

INSTANTIATE_TEST_SUITE_P(
    Installs, PinnedRealRuntime,
    ::testing::Values(InstallRow{"InstallButton", "launcher.exe", "", true, false},
                      InstallRow{"Automatic", "launcher.exe", "Runtime Download=Automatic\r\n", false, true},
                      InstallRow{"ConsoleNeverAsks", "launcher-console.exe", "", false, false}),
    [](const ::testing::TestParamInfo<InstallRow>& info) { return std::string(info.param.name); });

} // namespace
} // namespace launcher
