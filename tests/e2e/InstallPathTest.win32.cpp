// An application installed where paths are long and not ASCII, started with
// the stand-in runtime beside it in jre64: class path, library path and
// output file deeper than MAX_PATH reach the runtime in a form it can open,
// and the user's runtime choice lives under a non-ASCII APPDATA.

#include "base/Text.h"
#include "base/Wide.win32.h"
#include "config/LaunchSettings.h"
#include "config/RuntimeChoiceWriter.h"
#include "probe/StandinProbe.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <sstream>

namespace launcher {
namespace {

namespace fs = std::filesystem;

const std::wstring kFolderName = L"\u00dcn\u00efc\u00f8d\u00e9 \u65e5\u672c\u8a9e";

std::wstring toWide(const std::u16string& text) { return std::wstring(text.begin(), text.end()); }

// Paths beyond MAX_PATH are only reachable with the extended-length prefix.
std::wstring extended(const std::wstring& path) { return path.size() < 240 ? path : L"\\\\?\\" + path; }

// Creates folders named kFolderName-1, -2, ... below base until the path
// holds at least length characters.
std::wstring deepFolder(std::wstring path, size_t length) {
    CreateDirectoryW(extended(path).c_str(), nullptr);
    for (int i = 1; path.size() < length; ++i) {
        path += L"\\" + kFolderName + L"-" + std::to_wstring(i);
        EXPECT_TRUE(CreateDirectoryW(extended(path).c_str(), nullptr)) << "error " << GetLastError();
    }
    return path;
}

void writeFile(const std::wstring& path, std::string_view bytes) {
    HANDLE file = CreateFileW(extended(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << "error " << GetLastError();
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
}

std::string readFile(const std::wstring& path) {
    HANDLE file = CreateFileW(extended(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return "<missing>";
    std::string bytes(1 << 16, '\0');
    DWORD read = 0;
    ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
    CloseHandle(file);
    return bytes.substr(0, read);
}

// The long form of a path as the runtime received it (narrow, perhaps 8.3).
std::wstring longName(const std::string& narrow) {
    std::wstring path = extended(toWide(fromNarrow(narrow)));
    std::wstring buffer(32768, L'\0');
    DWORD length = GetLongPathNameW(path.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0 || length >= buffer.size()) return L"<no such file: " + toWide(fromNarrow(narrow)) + L">";
    buffer.resize(length);
    return buffer.rfind(L"\\\\?\\", 0) == 0 ? buffer.substr(4) : buffer;
}

std::vector<std::string> traceLines(const fs::path& trace) {
    std::istringstream text(test::readBytes(trace));
    std::vector<std::string> lines;
    for (std::string line; std::getline(text, line);) lines.push_back(line.substr(0, line.find_last_not_of('\r') + 1));
    return lines;
}

// The value of the trace's "option <name>=" line.
std::string optionValue(const std::vector<std::string>& lines, const std::string& name) {
    for (const std::string& line : lines) {
        if (line.rfind("option " + name + "=", 0) == 0) return line.substr(name.size() + 8);
    }
    return "<missing>";
}

void copyHome(const fs::path& from, const fs::path& to) {
    fs::copy(from, to, fs::copy_options::recursive);
}

TEST(InstallPath, LongNonAsciiFoldersEverywhere) {
    test::TempFolder root;
    const std::wstring install = deepFolder(root.path().wstring(), 225);
    const fs::path exe = install + L"\\viewer.exe";
    fs::copy_file(test::builtLauncher(), exe);
    copyHome(test::standinHome("standard"), install + L"\\jre64");
    const std::wstring classes = deepFolder(install + L"\\lib", 300);
    writeFile(classes + L"\\app.jar", "PK");
    const std::wstring native = deepFolder(install + L"\\native", 300);
    const std::wstring logs = deepFolder(install + L"\\logs", 300);
    const std::wstring appData = deepFolder(root.path().wstring() + L"\\C\u00f8nf\u00efg \u8a2d\u5b9a", 0);
    const fs::path trace = root.path() / "trace.txt";
    test::EnvironmentOverride traceVariable{u"STANDIN_TRACE", trace.u16string()};
    test::EnvironmentOverride appDataVariable{u"APPDATA", fromWide(appData.c_str())};
    test::EnvironmentOverride noJavaHome{u"JAVA_HOME", std::nullopt};
    const std::wstring relativeClasses = classes.substr(install.size() + 1);
    const std::u16string ini = u"[Product Information]\r\nProduct Name=Vi\u00e9wer \u65e5\u672c\r\nProduct Code=1.0\r\n"
                               u"[Java Runtime Environment]\r\nMain Class=standin.Echo\r\nLibrary Path=" +
                               fromWide(native.c_str()) + u"\r\n[Class Path]\r\nClass Path=" +
                               fromWide(relativeClasses.c_str()) + u"\\*.jar\r\n[Application]\r\nOutput File=" +
                               fromWide(logs.c_str()) + u"\\out_%yyyy%.log\r\n";
    std::string bytes = "\xFF\xFE"; // the vendor's file holds non-ASCII text: UTF-16
    for (char16_t c : ini) bytes += {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
    writeFile(install + L"\\viewer.ini", bytes);

    // The runtime beside the application.
    test::LaunchResult first = test::launch(exe, {"first"});
    ASSERT_EQ(first.exitCode, 0) << (first.messages.empty() ? "" : first.messages[0]);
    std::vector<std::string> lines = traceLines(trace);
    const std::string classPath = optionValue(lines, "-Djava.class.path");
    ASSERT_FALSE(classPath.empty());
    EXPECT_EQ(longName(classPath.substr(0, classPath.size() - 1)), classes + L"\\app.jar") << classPath;
    const std::string libraryPath = optionValue(lines, "-Djava.library.path");
    EXPECT_EQ(longName(libraryPath.substr(0, libraryPath.find(';'))), native) << libraryPath;
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW(extended(logs + L"\\out_*.log").c_str(), &found);
    ASSERT_NE(search, INVALID_HANDLE_VALUE) << "no output file";
    FindClose(search);
    const std::wstring output = logs + L"\\" + found.cFileName;
    EXPECT_GT(output.size(), 300u);
    EXPECT_EQ(readFile(output), "first\r\n");
    EXPECT_NE(std::find(lines.begin(), lines.end(), "FindClassFromBootLoader sun/launcher/LauncherHelper"), lines.end());

    // The user's choice, written where the launcher writes it, wins at the
    // next start: a runtime without the boot-loader entry tells them apart.
    const std::wstring chosen = install + L"\\J\u00e4v\u00e4";
    copyHome(test::standinHome("no-bootloader"), chosen);
    LaunchSettings settings;
    settings.productName = u"Vi\u00e9wer \u65e5\u672c";
    settings.productCode = u"1.0";
    writeRuntimeChoice(settings, exe.u16string(), fromWide((install + L"\\viewer.ini").c_str()),
                       fromWide((chosen + L"\\").c_str()));
    fs::remove(trace);
    test::LaunchResult second = test::launch(exe, {"second"});
    ASSERT_EQ(second.exitCode, 0) << (second.messages.empty() ? "" : second.messages[0]);
    lines = traceLines(trace);
    EXPECT_NE(std::find(lines.begin(), lines.end(), "FindClass standin/Echo"), lines.end()) << test::readBytes(trace);
    EXPECT_EQ(readFile(output), "second\r\n");
}

} // namespace
} // namespace launcher
