#pragma once
// What the Windows install tests share: a launcher copy whose INI pins a
// runtime served by a loopback server, a zip of the stand-in runtime below
// one top folder (as vendors pack theirs), the user's folders of the test's
// own, and the probe's steps through the runtime-not-found dialog and the
// progress window.

#include "base/Sha256.h"
#include "base/Text.h"
#include "probe/StandinProbe.h"
#include "support/ArchiveBuilder.h"
#include "support/DialogProbe.win32.h"
#include "support/LoopbackServer.h"
#include "support/TestSupport.h"
#include "support/WindowProbe.win32.h"
#include "ui/DialogIds.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace launcher::test {

// The stand-in runtime's files below top, each stored as the vendors'
// archives store them.
inline std::vector<ZipItem> standinRuntimeZipItems(const std::string& top = "jdk-21.0.5+11-jre/",
                                                   std::string_view variant = "standard") {
    namespace fs = std::filesystem;
    std::vector<ZipItem> items;
    const fs::path home = standinHome(variant);
    for (const auto& item : fs::recursive_directory_iterator(home)) {
        if (!item.is_regular_file()) continue;
        items.push_back({.name = top + fs::relative(item.path(), home).generic_string(), .data = readBytes(item.path())});
    }
    return items;
}

inline std::string standinRuntimeZip() { return buildZip(standinRuntimeZipItems()); }

inline std::string sha256Of(const std::string& bytes) {
    Sha256 hash;
    hash.update(bytes);
    return sha256Hex(*hash.finish());
}

// The first visible top-level dialog of the process that has (or, with
// has false, lacks) a control of that id, waiting up to timeoutMs.
inline HWND waitForDialogWith(DWORD processId, int id, DWORD timeoutMs, bool has = true) {
    HWND found = nullptr;
    waitUntil([&] {
        found = nullptr;
        for (HWND window = FindWindowExW(nullptr, nullptr, L"#32770", nullptr); window && !found;
             window = FindWindowExW(nullptr, window, L"#32770", nullptr)) {
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner == processId && IsWindowVisible(window) && (dialogControl(window, id) != nullptr) == has) {
                found = window;
            }
        }
        return found != nullptr;
    }, timeoutMs);
    return found;
}

// The runtime-not-found dialog (it has the path field).
inline HWND waitForRuntimeDialog(DWORD processId, DWORD timeoutMs = 30000) {
    return waitForDialogWith(processId, dialog::kJrePathEdit, timeoutMs);
}

// The progress window of an install that asks nothing first.
inline HWND waitForProgressWindow(DWORD processId, DWORD timeoutMs = 30000) {
    HWND window = waitForDialogWith(processId, dialog::kInstallProgress, timeoutMs);
    return window && !dialogControl(window, dialog::kJrePathEdit) ? window : nullptr;
}

inline bool shown(HWND dialog, int id) {
    HWND control = dialogControl(dialog, id);
    return control && IsWindowVisible(control);
}

// Presses a button as a person would: posted, so that a dialog busy with
// what the button starts does not block the probe.
inline void press(HWND dialog, int id) { PostMessageW(dialogControl(dialog, id), BM_CLICK, 0, 0); }

// A launcher copy "viewer.exe" of product "Viewer", code "CODE", whose
// runtime can only come from its pin: the minimum version keeps every
// other runtime out. LOCALAPPDATA, APPDATA, the traces and the proxy
// variables are the test's own.
class PinnedInstallFixture : public ::testing::Test {
protected:
    TempFolder folder;
    LoopbackServer server;
    std::filesystem::path exe = folder.path() / "viewer.exe";
    std::filesystem::path localData = folder.path() / "local";
    std::filesystem::path standinTrace = folder.path() / "standin.txt";
    std::filesystem::path launchTrace = folder.path() / "launch.txt";
    EnvironmentOverride localDataVariable{u"LOCALAPPDATA", localData.u16string()};
    EnvironmentOverride appDataVariable{u"APPDATA", folder.text(u"roaming")};
    EnvironmentOverride standinVariable{u"STANDIN_TRACE", standinTrace.u16string()};
    EnvironmentOverride traceVariable{u"QX_LAUNCHER_TRACE", launchTrace.u16string()};
    EnvironmentOverride noJavaHome{u"JAVA_HOME", std::nullopt};
    // Wine's WinHTTP takes its proxy from these.
    EnvironmentOverride noHttpProxy{u"http_proxy", std::nullopt};
    EnvironmentOverride noHttpsProxy{u"https_proxy", std::nullopt};

    // program: a file of the build's bin folder to copy as viewer.exe.
    void prepare(const char* program = "launcher.exe") {
        std::filesystem::create_directories(localData);
        std::filesystem::copy_file(builtProgramFolder() / program, exe);
        writeBytes(folder.path() / "app.jar", "PK");
    }
    void SetUp() override { prepare(); }

    // Writes viewer.ini pinning the server's path with sha256; extra lines
    // go into its runtime section ("Runtime Download=Automatic\r\n"),
    // sections after the others ("[Application]\r\n..."). Returns the
    // folder the runtime is installed into.
    std::filesystem::path pin(const std::string& path, const std::string& sha256, const std::string& extra = {},
                              const std::string& sections = {}) {
        writeBytes(folder.path() / "viewer.ini",
                   "[Product Information]\r\nProduct Name=Viewer\r\nProduct Code=CODE\r\n"
                   "[Java Runtime Environment]\r\nMain Class=standin.Echo\r\nMinimum Version=99\r\n"
                   "Runtime Download URL=" + server.url(path) + "\r\nRuntime Download SHA-256=" + sha256 + "\r\n" +
                       extra + "[Class Path]\r\nClass Path=app.jar\r\n" + sections);
        return runtimeFolder(sha256);
    }
    // The same INI without the keys.
    void noPin() {
        writeBytes(folder.path() / "viewer.ini",
                   "[Product Information]\r\nProduct Name=Viewer\r\nProduct Code=CODE\r\n"
                   "[Java Runtime Environment]\r\nMain Class=standin.Echo\r\nMinimum Version=99\r\n"
                   "[Class Path]\r\nClass Path=app.jar\r\n");
    }
    std::filesystem::path runtimeFolder(const std::string& sha256) const {
        return localData / "Viewer" / "CODE" / "runtime" / sha256.substr(0, 16);
    }
    // Serves the stand-in runtime's zip at /jre.zip as reply (its body
    // set here) and pins it; the installed folder.
    std::filesystem::path serveStandin(ServedReply reply = {}, const std::string& extra = {},
                                       const std::string& sections = {}) {
        reply.body = standinRuntimeZip();
        const std::string sha256 = sha256Of(reply.body);
        server.serve("/jre.zip", std::move(reply));
        return pin("/jre.zip", sha256, extra, sections);
    }
    std::string text(const std::filesystem::path& file) const {
        return std::filesystem::exists(file) ? readBytes(file) : std::string();
    }
    // Whether the stand-in ran the application's main with these
    // arguments, as its trace writes them: "[x]" for the one argument x.
    bool applicationRan(const std::string& arguments) const {
        return text(standinTrace).find("main " + arguments) != std::string::npos;
    }
    // Names in the product's runtime folder other than the lock file.
    std::vector<std::string> runtimeFolderNames() const {
        std::vector<std::string> names;
        const std::filesystem::path runtimes = localData / "Viewer" / "CODE" / "runtime";
        if (!std::filesystem::exists(runtimes)) return names;
        for (const auto& entry : std::filesystem::directory_iterator(runtimes)) {
            const std::string name = entry.path().filename().string();
            if (name != "install.lock") names.push_back(name);
        }
        return names;
    }
};

} // namespace launcher::test
