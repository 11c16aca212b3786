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

#include <fstream>
#include <sstream>

namespace launcher::pack {
namespace {

const char kUpgradeCode[] = "{0C0FFEE0-PACK-TEST}";
const std::vector<unsigned> kIconSides = {16, 32, 48, 256}; // as the build made pack-test.ico

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
    bool started() const {
        std::string trace = launcher::test::readBytes(tracePath);
        return trace.find("main [argument]") != std::string::npos;
    }
};

std::wstring versionValue(const std::vector<BYTE>& block, const std::wstring& name) {
    void* value = nullptr;
    UINT length = 0;
    std::wstring path = L"\\StringFileInfo\\040904B0\\" + name;
    if (!VerQueryValueW(block.data(), path.c_str(), &value, &length)) return L"<missing>";
    return std::wstring(static_cast<const wchar_t*>(value));
}

TEST_F(PackagedLauncher, VersionInformationAsTheSystemReadsIt) {
    DWORD size = GetFileVersionInfoSizeW(exe.c_str(), nullptr);
    ASSERT_GT(size, 0u);
    std::vector<BYTE> block(size);
    ASSERT_TRUE(GetFileVersionInfoW(exe.c_str(), 0, size, block.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00030001u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0x0004000Fu);
    EXPECT_EQ(fixed->dwProductVersionLS, 0x0004000Fu);
    const std::pair<const wchar_t*, const wchar_t*> expected[] = {
        {L"CompanyName", L"ACME \u00e9"},      {L"FileDescription", L"Viewer of things"},
        {L"ProductName", L"Viewer"},           {L"LegalCopyright", L"(c) ACME"},
        {L"FileVersion", L"3.1.4.15"},         {L"ProductVersion", L"3.1.4.15"},
        {L"InternalName", L"Viewer"},          {L"OriginalFilename", L"Viewer.exe"}};
    for (const auto& [name, value] : expected) EXPECT_EQ(versionValue(block, name), value) << name;
}

TEST_F(PackagedLauncher, IconLoadsAtEachSize) {
    HMODULE module = LoadLibraryExW(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(module, nullptr);
    for (unsigned side : kIconSides) {
        auto icon = static_cast<HICON>(LoadImageW(module, MAKEINTRESOURCEW(1), IMAGE_ICON, static_cast<int>(side),
                                                  static_cast<int>(side), 0));
        ASSERT_NE(icon, nullptr) << side;
        ICONINFO info{};
        ASSERT_TRUE(GetIconInfo(icon, &info));
        BITMAP bitmap{};
        GetObjectW(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof bitmap, &bitmap);
        EXPECT_EQ(static_cast<unsigned>(bitmap.bmWidth), side);
        if (info.hbmColor) DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
        DestroyIcon(icon);
    }
    FreeLibrary(module);
    EXPECT_EQ(ExtractIconExW(exe.c_str(), -1, nullptr, nullptr, 0), 1u);
    HICON large = nullptr, small = nullptr;
    EXPECT_EQ(ExtractIconExW(exe.c_str(), 0, &large, &small, 1), 2u);
    EXPECT_NE(large, nullptr);
    EXPECT_NE(small, nullptr);
    if (large) DestroyIcon(large);
    if (small) DestroyIcon(small);
}

TEST_F(PackagedLauncher, StartsWithTheEmbeddedMainClassAndRuntime) {
    EXPECT_EQ(launcher::test::readBytes(app / "Viewer.ini"),
              "[Product Information]\r\nUpgrade Code=" + std::string(kUpgradeCode) + "\r\nProduct Name=Viewer\r\n");
    launcher::test::LaunchResult result = launcher::test::launch(exe, {"argument"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_TRUE(result.messages.empty()) << result.messages[0];
    EXPECT_TRUE(started()) << launcher::test::readBytes(tracePath);
}

// A Unix program run from inside Wine: Wine starts a Unix executable named
// by its path as a Unix process. The script's status comes back in a file,
// as Wine does not pass a Unix exit code on.
class UnixShell {
public:
    explicit UnixShell(const fs::path& folder) : folder_(folder) {
        using ToUnix = char*(CDECL*)(LPCWSTR);
        toUnix_ = reinterpret_cast<ToUnix>(
            reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32"), "wine_get_unix_file_name")));
    }
    bool available() const { return toUnix_ != nullptr && unix(folder_).size() > 1; }
    std::string unix(const fs::path& path) const {
        char* text = toUnix_(path.c_str());
        std::string result = text ? text : "";
        HeapFree(GetProcessHeap(), 0, text);
        return result;
    }
    // Runs the script; its standard output and error are returned in output.
    int run(const std::string& script, std::string& output) const {
        fs::remove(folder_ / "status.txt");
        fs::remove(folder_ / "output.txt");
        launcher::test::writeBytes(folder_ / "script.sh", "export PATH=/usr/bin:/bin\ncd '" + unix(folder_) + "'\n(\n" +
                                                           script + "\n) >output.txt 2>&1\necho $? >status.txt\n");
        std::u16string script16 = fromUtf8("/bin/sh " + unix(folder_ / "script.sh"));
        std::wstring commandLine(script16.begin(), script16.end());
        STARTUPINFOW startup{sizeof startup};
        PROCESS_INFORMATION process{};
        if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
            return -1;
        }
        WaitForSingleObject(process.hProcess, INFINITE);
        CloseHandle(process.hProcess);
        CloseHandle(process.hThread);
        fs::path status = folder_ / "status.txt";
        for (int i = 0; i < 600 && launcher::test::readBytes(status).empty(); ++i) Sleep(100);
        output = launcher::test::readBytes(folder_ / "output.txt");
        std::string code = launcher::test::readBytes(status);
        return code.empty() ? -1 : std::stoi(code);
    }

private:
    fs::path folder_;
    char*(CDECL* toUnix_)(LPCWSTR) = nullptr;
};

TEST_F(PackagedLauncher, IndependentReaderAgreesAndSignedResultStillStarts) {
    UnixShell shell(folder.path());
    if (!shell.available()) GTEST_SKIP() << "needs Wine to run the Unix tools";
    std::string output;
    std::string image = shell.unix(exe);
    ASSERT_EQ(shell.run("python3 -c 'import pefile, sys\n"
                        "pe = pefile.PE(sys.argv[1])\n"
                        "print(pe.get_warnings(), pe.verify_checksum())\n"
                        "sys.exit(0 if not pe.get_warnings() and pe.verify_checksum() else 1)' '" + image + "'",
                        output),
              0) << output;

    ASSERT_EQ(shell.run("openssl req -x509 -newkey rsa:2048 -nodes -keyout key.pem -out cert.pem -days 2 -subj /CN=Pack-Test\n"
                        "osslsigncode sign -certs cert.pem -key key.pem -n Viewer -in '" + image + "' -out signed.exe\n"
                        "mv signed.exe '" + image + "'",
                        output),
              0) << output;
    std::ostringstream out, err;
    ASSERT_EQ(runLauncherPack({"--show", displayPath(exe), "--upgrade-code", kUpgradeCode}, out, err), 0) << err.str();
    EXPECT_NE(out.str().find("signature: present\n"), std::string::npos) << out.str();
    EXPECT_NE(out.str().find("Main Class=standin.Echo\n"), std::string::npos) << out.str();
    EXPECT_EQ(launcher::test::launch(exe, {"argument"}).exitCode, 0);
    EXPECT_TRUE(started()) << launcher::test::readBytes(tracePath);

    // Packaging the signed file again would break its signature.
    EXPECT_EQ(runLauncherPack({"--launcher", displayPath(exe), "--name", "Again", "--dest", displayPath(app)}, out, err), 1);
    EXPECT_NE(err.str().find("package the unsigned launcher first"), std::string::npos) << err.str();
}

} // namespace
} // namespace launcher::pack
