#pragma once
// The fixture of the installer suites: packages built here from the Windows
// launcher with wixl, installed, examined and removed with Wine's own
// programs (msiexec, reg, start).

#include "PackCommand.h"
#include "PackageTables.h"
#include "ToolProcess.h"

#include "support/ChildProcess.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <random>
#include <sstream>
#include <thread>

namespace launcher::pack {
namespace {

namespace fs = std::filesystem;
using launcher::test::readBytes;
using launcher::test::writeBytes;

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

// A Unix path as Wine's programs name it (drive Z: is the Unix root).
std::string windowsPath(const fs::path& path) {
    std::string text = "Z:" + fs::absolute(path).string();
    for (char& c : text) c = c == '/' ? '\\' : c;
    return text;
}

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// Runs a Wine program, waiting for the process rather than for the end of
// its output: Wine's helpers (explorer, services) that a program starts
// inherit its output and outlive it. A program that has not ended after two
// minutes (a message box nobody answers) is killed.
ToolRun runWine(const fs::path& wine64, const std::vector<std::string>& arguments) {
    const test::ChildResult child = test::runChild(wine64.string(), arguments, 120);
    ToolRun run{child.exitCode, child.out + child.err};
    if (child.exitCode == -1000) run.output = "(killed after two minutes, or not started) " + run.output;
    return run;
}

class InstallerWine : public testing::Test {
protected:
    void SetUp() override {
        windowsBin_ = environment("LAUNCHER_WINDOWS_BIN");
        prefix_ = environment("WINEPREFIX");
        if (windowsBin_.empty() || prefix_.empty()) {
            GTEST_SKIP() << "needs the Windows build and a Wine session; scripts/test runs it with LAUNCHER_WINDOWS_BIN set";
        }
        launcher_ = windowsBin_ / "launcher.exe";
        wine64_ = environment("WINE64").empty() ? fs::path("/usr/lib/wine/wine64") : fs::path(environment("WINE64"));
        ASSERT_TRUE(findTool("wixl")) << "wixl is missing: scripts/setup installs it";
        // Wine's menu builder would copy every shortcut into this machine's own menus.
        setenv("WINEDLLOVERRIDES", "mscoree,mshtml=;winemenubuilder.exe=d", 1);
        setenv("WINEDEBUG", "-all", 1);
        setenv("STANDIN_TRACE", (folder_.path() / "trace.txt").c_str(), 1);
        std::random_device random;
        tag_ = std::to_string(random() % 100000);
        name_ = "Msi Viewer " + tag_;
        vendor_ = "ACME & Sons " + tag_;
        char guid[40];
        std::snprintf(guid, sizeof guid, "%08X-1111-4222-8333-%012llX", static_cast<unsigned>(random()),
                      static_cast<unsigned long long>(random()) << 16);
        upgradeCode_ = guid;
        for (const std::string& user : {environment("USER"), std::string("root")}) {
            if (!user.empty() && fs::exists(prefix_ / "drive_c/users" / user)) {
                profile_ = prefix_ / "drive_c/users" / user;
                break;
            }
        }
        writeBytes(folder_.path() / "app/lib/a.jar", "a v1");
        writeBytes(folder_.path() / "app/lib/b.jar", "b v1");
        writeIni("v1");
    }
    void TearDown() override {
        for (const fs::path& msi : installed_) wine({"msiexec", "/x", windowsPath(msi), "/qn"});
    }

    void writeIni(const std::string& mark) {
        writeBytes(folder_.path() / "app.ini", "[Product Information]\r\nProduct Name=" + name_ + "\r\nProduct Code={PC-" + tag_ +
                                                   "}\r\n[Java Runtime Environment]\r\nMain Class=standin.Secondary\r\n"
                                                   "[Class Path]\r\nClass Path=lib\\a.jar\r\n[Application]\r\nSingle Instance=yes\r\n"
                                                   "; " + mark + "\r\n");
    }

    // Packs the application into out/ and the package into name.msi.
    int pack(const std::string& msi, const std::string& version, std::vector<std::string> more = {}) {
        std::vector<std::string> arguments = {
            "--launcher", launcher_.string(), "--name", name_, "--dest", (folder_.path() / "out").string(),
            "--ini", (folder_.path() / "app.ini").string(), "--input", (folder_.path() / "app").string(),
            "--runtime", (windowsBin_.parent_path() / "standin/standard").string(), "--app-version", version,
            "--msi", (folder_.path() / msi).string(), "--msi-upgrade-code", upgradeCode_, "--vendor", vendor_,
            "--file-association", "mv" + tag_ + ":Viewer [document]"};
        arguments.insert(arguments.end(), more.begin(), more.end());
        std::ostringstream out;
        err_.str("");
        return runLauncherPack(arguments, out, err_);
    }

    ToolRun wine(const std::vector<std::string>& arguments) {
        return runWine(wine64_, arguments);
    }
    // properties: "NAME=value" for msiexec's command line.
    int install(const std::string& msi, const std::vector<std::string>& properties = {}) {
        installed_.push_back(folder_.path() / msi);
        std::vector<std::string> arguments = {"msiexec", "/i", windowsPath(folder_.path() / msi), "/qn"};
        arguments.insert(arguments.end(), properties.begin(), properties.end());
        return wine(arguments).exitCode;
    }
    int uninstall(const std::string& msi) { return wine({"msiexec", "/x", windowsPath(folder_.path() / msi), "/qn"}).exitCode; }

    // The key's values as "reg export" writes them (UTF-8 here), or "" when
    // the key does not exist.
    std::string registry(const std::string& key) {
        fs::path file = folder_.path() / "export.reg";
        fs::remove(file);
        if (wine({"reg", "export", key, windowsPath(file), "/y", "/reg:64"}).exitCode != 0) return "";
        std::string bytes = readBytes(file), text;
        for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
            unsigned unit = static_cast<unsigned char>(bytes[i]) | static_cast<unsigned char>(bytes[i + 1]) << 8;
            if (unit < 0x80) text += static_cast<char>(unit);
            else if (unit < 0x800) text += {static_cast<char>(0xC0 | unit >> 6), static_cast<char>(0x80 | (unit & 0x3F))};
            else text += {static_cast<char>(0xE0 | unit >> 12), static_cast<char>(0x80 | ((unit >> 6) & 0x3F)), static_cast<char>(0x80 | (unit & 0x3F))};
        }
        return text;
    }
    // The uninstall entries of this test's product, each "[key]" with its values.
    std::vector<std::string> uninstallEntries(const std::string& root) {
        std::string text = registry(root + "\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall");
        std::vector<std::string> entries;
        for (size_t at = text.find("\r\n["); at != std::string::npos;) {
            size_t next = text.find("\r\n[", at + 3);
            std::string entry = text.substr(at + 2, next == std::string::npos ? std::string::npos : next - at - 2);
            if (contains(entry, "\"DisplayName\"=\"" + name_ + "\"")) entries.push_back(entry);
            at = next;
        }
        return entries;
    }
    // A shortcut's target, working folder and icon as the shell reads them.
    std::string shortcut(const fs::path& lnk) {
        ToolRun run = wine({(windowsBin_ / "installer_probe.exe").string(), "shortcut", windowsPath(lnk)});
        std::erase(run.output, '\r');
        return run.output;
    }
    fs::path startMenuShortcut() {
        for (fs::path base : {prefix_ / "drive_c/ProgramData", profile_ / "AppData/Roaming"}) {
            fs::path lnk = base / "Microsoft/Windows/Start Menu/Programs" / (name_ + ".lnk");
            if (fs::exists(lnk)) return lnk;
        }
        return {};
    }
    bool desktopShortcut() {
        return fs::exists(profile_ / "Desktop" / (name_ + ".lnk")) || fs::exists(prefix_ / "drive_c/users/Public/Desktop" / (name_ + ".lnk"));
    }
    std::string trace() { return readBytes(folder_.path() / "trace.txt"); }
    bool awaitTrace(const std::string& line) {
        for (int i = 0; i < 400 && !contains(trace(), line); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
        return contains(trace(), line);
    }
    // Opens a document through the shell, as a double click does, and
    // whether the program installed in folder (its Windows path) starts with
    // it; the program is stopped again.
    bool opensWith(const fs::path& document, const std::string& folder) {
        writeBytes(folder_.path() / "trace.txt", "");
        std::thread primary([&] { wine({"start", "/wait", "/unix", document.string()}); });
        bool started = awaitTrace("main [" + windowsPath(document) + "]");
        bool ours = contains(trace(), "option -Djava.class.path=" + folder + "\\lib\\a.jar");
        if (started) wine({folder + "\\" + name_ + ".exe", "stop"});
        primary.join();
        return started && ours;
    }
    fs::path userIni() { return profile_ / "AppData/Roaming" / name_ / ("{PC-" + tag_ + "}") / (name_ + ".ini"); }
    fs::path machineFolder() { return prefix_ / "drive_c/Program Files" / vendor_ / name_; }
    std::string machineFolderText() { return "C:\\Program Files\\" + vendor_ + "\\" + name_; }

    launcher::test::TempFolder folder_;
    fs::path windowsBin_, launcher_, prefix_, wine64_, profile_;
    std::string tag_, name_, vendor_, upgradeCode_;
    std::ostringstream err_;
    std::vector<fs::path> installed_;
};

} // namespace
} // namespace launcher::pack
