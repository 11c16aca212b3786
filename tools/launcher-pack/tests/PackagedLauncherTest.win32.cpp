// The real launcher.exe packaged, then read by Windows itself (version
// strings, icons), by an independent reader (Python's pefile), signed with
// osslsigncode, and started: its "Main Class" and "JRE Path" come only from
// the embedded configuration.

#include "FileIo.h"
#include "PackCommand.h"

#include "base/Text.h"
#include "probe/StandinProbe.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>

#include <sstream>

namespace launcher::pack {
namespace {

const char kUpgradeCode[] = "{0C0FFEE0-PACK-TEST}";

class PackagedLauncher : public testing::Test {
protected:
    launcher::test::TempFolder folder;
    fs::path app = folder.path() / "app";
    fs::path exe = app / "Viewer.exe";
    fs::path tracePath = folder.path() / "trace.txt";
    launcher::test::EnvironmentOverride traceVariable{u"STANDIN_TRACE", tracePath.u16string()};
    launcher::test::EnvironmentOverride noJavaHome{u"JAVA_HOME", std::nullopt};

    void SetUp() override {
        fs::path bin = launcher::test::builtProgramFolder();
        launcher::test::writeText(folder.path() / "embed.ini",
                                  u"[Java Runtime Environment]\nMain Class=standin.Echo\nJRE Path=" +
                                      launcher::test::standinHome("standard").u16string() +
                                      u"\n[Class Path]\nClass Path=app.jar\n");
        launcher::test::writeBytes(folder.path() / "input" / "app.jar", "PK");
        std::ostringstream out, err;
        std::vector<std::string> arguments = {
            "--launcher", displayPath(bin / "launcher.exe"), "--name", "Viewer", "--dest", displayPath(app),
            "--icon", displayPath(bin / "pack-test.ico"), "--app-version", "3.1.4.15", "--vendor", "ACME \xC3\xA9",
            "--description", "Viewer of things", "--copyright", "(c) ACME", "--input", displayPath(folder.path() / "input"),
            "--embed", displayPath(folder.path() / "embed.ini"), "--upgrade-code", kUpgradeCode};
        ASSERT_EQ(runLauncherPack(arguments, out, err), 0) << err.str();
    }
    bool started() const { return launcher::test::readBytes(tracePath).find("main [argument]") != std::string::npos; }
};

std::wstring versionValue(const std::vector<BYTE>& block, const std::wstring& name) {
    void* value = nullptr;
    UINT length = 0;
    std::wstring path = L"\\StringFileInfo\\040904B0\\" + name;
    return VerQueryValueW(block.data(), path.c_str(), &value, &length) ? static_cast<const wchar_t*>(value) : L"<missing>";
}

TEST_F(PackagedLauncher, VersionInformationAsTheSystemReadsIt) {
    std::vector<BYTE> block(GetFileVersionInfoSizeW(exe.c_str(), nullptr));
    ASSERT_TRUE(GetFileVersionInfoW(exe.c_str(), 0, static_cast<DWORD>(block.size()), block.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00030001u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0x0004000Fu);
    EXPECT_EQ(fixed->dwProductVersionLS, 0x0004000Fu);
    const std::pair<const wchar_t*, const wchar_t*> expected[] = {
        {L"CompanyName", L"ACME \u00e9"}, {L"FileDescription", L"Viewer of things"}, {L"ProductName", L"Viewer"},
        {L"LegalCopyright", L"(c) ACME"}, {L"FileVersion", L"3.1.4.15"},          {L"ProductVersion", L"3.1.4.15"},
        {L"InternalName", L"Viewer"},     {L"OriginalFilename", L"Viewer.exe"}};
    for (const auto& [name, value] : expected) EXPECT_EQ(versionValue(block, name), value) << name;
}

TEST_F(PackagedLauncher, IconLoadsAtEachSize) {
    HMODULE module = LoadLibraryExW(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(module, nullptr);
    for (int side : {16, 32, 48, 256}) { // as the build made pack-test.ico
        auto icon = static_cast<HICON>(LoadImageW(module, MAKEINTRESOURCEW(1), IMAGE_ICON, side, side, 0));
        ICONINFO info{};
        BITMAP bitmap{};
        ASSERT_TRUE(icon && GetIconInfo(icon, &info)) << side;
        GetObjectW(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof bitmap, &bitmap);
        EXPECT_EQ(bitmap.bmWidth, side);
        DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
        DestroyIcon(icon);
    }
    FreeLibrary(module);
    HICON large = nullptr, small = nullptr;
    EXPECT_EQ(ExtractIconExW(exe.c_str(), -1, nullptr, nullptr, 0), 1u);
    EXPECT_EQ(ExtractIconExW(exe.c_str(), 0, &large, &small, 1), 2u);
    EXPECT_TRUE(large && small && DestroyIcon(large) && DestroyIcon(small));
}

TEST_F(PackagedLauncher, StartsWithTheEmbeddedMainClassAndRuntime) {
    EXPECT_EQ(launcher::test::readBytes(app / "Viewer.ini"),
              "[Product Information]\r\nUpgrade Code=" + std::string(kUpgradeCode) + "\r\nProduct Name=Viewer\r\n");
    launcher::test::LaunchResult result = launcher::test::launch(exe, {"argument"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.messages, std::vector<std::string>{});
    EXPECT_TRUE(started()) << launcher::test::readBytes(tracePath);
}

// Runs a shell script as a Unix process, which Wine starts for a Unix path.
// Wine passes no Unix exit code on, so the status comes back in a file.
// Returns -1 when not under Wine.
int runUnixScript(const fs::path& folder, const std::string& script, std::string& output) {
    auto toUnix = reinterpret_cast<char*(CDECL*)(LPCWSTR)>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32"), "wine_get_unix_file_name")));
    if (!toUnix) return -1;
    auto unix = [&](const fs::path& path) { return std::string(toUnix(path.c_str())); };
    launcher::test::writeBytes(folder / "script.sh", "export PATH=/usr/bin:/bin\ncd '" + unix(folder) + "'\n(\n" + script +
                                                         "\n) >output.txt 2>&1\necho $? >status.txt\n");
    fs::remove(folder / "status.txt");
    std::u16string command = fromUtf8("/bin/sh " + unix(folder / "script.sh"));
    std::wstring commandLine(command.begin(), command.end());
    STARTUPINFOW startup{sizeof startup};
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        return -1;
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    for (int i = 0; i < 600 && !fs::exists(folder / "status.txt"); ++i) Sleep(100);
    output = launcher::test::readBytes(folder / "output.txt");
    std::string status = launcher::test::readBytes(folder / "status.txt");
    return status.empty() ? -1 : std::stoi(status);
}

TEST_F(PackagedLauncher, IndependentReaderAgreesAndSignedResultStillStarts) {
    std::string output;
    const std::string image = "app/Viewer.exe"; // relative to the script's folder
    int status = runUnixScript(folder.path(), "python3 -c 'import pefile, sys\n"
                                              "pe = pefile.PE(sys.argv[1])\n"
                                              "print(pe.get_warnings(), pe.verify_checksum())\n"
                                              "sys.exit(pe.get_warnings() or not pe.verify_checksum())' " + image, output);
    if (status == -1) GTEST_SKIP() << "needs Wine to run the Unix tools";
    ASSERT_EQ(status, 0) << output;
    ASSERT_EQ(runUnixScript(folder.path(),
                            "openssl req -x509 -newkey rsa:2048 -nodes -keyout key.pem -out cert.pem -days 2 -subj /CN=Test\n"
                            "osslsigncode sign -certs cert.pem -key key.pem -n Viewer -in " + image + " -out signed.exe\n"
                            "mv signed.exe " + image, output),
              0) << output;
    std::ostringstream out, err;
    ASSERT_EQ(runLauncherPack({"--show", displayPath(exe), "--upgrade-code", kUpgradeCode}, out, err), 0) << err.str();
    EXPECT_NE(out.str().find("signature: present\n"), std::string::npos) << out.str();
    EXPECT_NE(out.str().find("Main Class=standin.Echo\n"), std::string::npos) << out.str();
    EXPECT_EQ(launcher::test::launch(exe, {"argument"}).exitCode, 0);
    EXPECT_TRUE(started()) << launcher::test::readBytes(tracePath);
}

} // namespace
} // namespace launcher::pack
