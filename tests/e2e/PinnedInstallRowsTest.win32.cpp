// launcher.exe with a pinned runtime that cannot be installed: each way a
// download or an archive can go wrong, driven through the progress window
// ("Runtime Download=Automatic") or the runtime-not-found dialog's Install
// button. The user reads why, then gets the dialog back (its link and
// folder picker still there) or the start ends as one that found no
// runtime; nothing but the lock file is left in the product's runtime
// folder; and the server saw only what it should.

#include "PinnedInstallFixture.win32.h"

#include "support/RefusedArchives.h"

#include <set>

namespace launcher {
namespace {

namespace fs = std::filesystem;
using test::ServedReply;

constexpr const char* kAutomatic = "Runtime Download=Automatic\r\n";

// What a start showed until it ended.
struct Watched {
    std::vector<std::string> messages; // the message boxes' texts, in order
    bool installOffered = false;       // a dialog had the Install button
    bool progressShown = false;
    // The first message box's owner showed the install's progress while the
    // box was up: the user read the failure over the progress it ended.
    bool messageOverProgress = false;
    // Runtime-not-found dialogs shown after a message, and whether each
    // still had its link and an enabled folder picker.
    int dialogsBack = 0;
    bool backWithLinkAndPicker = true;
    DWORD exitCode = STILL_ACTIVE;
};

std::string boxText(HWND box) {
    std::wstring text;
    for (const test::ChildWindow& child : test::childWindows(box)) {
        if (child.className == L"Static" && !child.text.empty()) text = child.text;
    }
    for (wchar_t& c : text) c = (c == L'\r' || c == L'\n') ? L' ' : c;
    return toUtf8(std::u16string(text.begin(), text.end()));
}

std::vector<HWND> dialogsOf(DWORD processId) {
    std::vector<HWND> found;
    for (HWND window = FindWindowExW(nullptr, nullptr, L"#32770", nullptr); window;
         window = FindWindowExW(nullptr, window, L"#32770", nullptr)) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == processId && IsWindowVisible(window)) found.push_back(window);
    }
    return found;
}

// Answers what the start shows as a person would: OK on each message box,
// Install on the first dialog that offers it (when pressInstall), Cancel on
// a dialog that comes back after a message or that is not to be installed
// from.
Watched watchStart(test::StartedProcess& launcher, bool pressInstall) {
    Watched seen;
    std::set<HWND> answered;
    bool pressed = false;
    for (DWORD start = GetTickCount(); GetTickCount() - start < 120000;) {
        seen.exitCode = launcher.waitForExit(50);
        if (seen.exitCode != STILL_ACTIVE) break;
        for (HWND window : dialogsOf(launcher.id())) {
            if (answered.count(window)) continue;
            if (!test::dialogControl(window, dialog::kJrePathEdit)) {
                // The progress window stays while its failure is shown.
                if (test::dialogControl(window, dialog::kInstallProgress)) {
                    seen.progressShown |= test::shown(window, dialog::kInstallProgress);
                    continue;
                }
                // A window gone since it was listed (the progress window
                // that ends after its message) has no text: no message.
                const std::string text = boxText(window);
                if (text.empty()) continue;
                answered.insert(window);
                if (seen.messages.empty()) {
                    // Read before OK: the box holds its owner as it is.
                    HWND owner = GetWindow(window, GW_OWNER);
                    seen.messageOverProgress = owner && test::shown(owner, dialog::kInstallProgress);
                }
                seen.messages.push_back(text);
                PostMessageW(window, WM_COMMAND, IDOK, 0);
                continue;
            }
            // The runtime-not-found dialog, unless a message box of its own
            // is up, or it shows the install's progress in its body.
            if (!IsWindowEnabled(window)) continue;
            if (test::shown(window, dialog::kInstallProgress)) {
                seen.progressShown = true;
                continue;
            }
            const bool offered = test::shown(window, dialog::kInstallButton);
            seen.installOffered |= offered;
            if (pressInstall && offered && !pressed) {
                pressed = true;
                test::press(window, dialog::kInstallButton);
                continue;
            }
            // Pressed, and no word of the install yet: it is starting.
            if (pressed && seen.messages.empty()) continue;
            if (!seen.messages.empty()) {
                ++seen.dialogsBack;
                HWND picker = test::dialogControl(window, dialog::kBrowseButton);
                seen.backWithLinkAndPicker &= test::shown(window, dialog::kDownloadLink) && picker &&
                                              IsWindowEnabled(picker);
            }
            answered.insert(window);
            test::press(window, IDCANCEL);
        }
    }
    return seen;
}

class PinnedInstallRows : public test::PinnedInstallFixture {
protected:
    // Starts the launcher copy (with arguments), answering what it shows.
    Watched start(bool pressInstall, const std::wstring& arguments = L"") {
        test::StartedProcess launcher(exe.wstring(), arguments);
        if (!launcher.started()) return {};
        return watchStart(launcher, pressInstall);
    }
    // Nothing in the user's local data but the lock file in the product's
    // runtime folder: no runtime, no download, no half-unpacked folder.
    void expectOnlyTheLock(const std::string& sha256, const std::string& what) const {
        std::vector<fs::path> left;
        for (const auto& item : fs::recursive_directory_iterator(localData)) {
            if (!item.is_directory()) left.push_back(item.path());
        }
        EXPECT_TRUE(runtimeFolderNames().empty()) << what << ": " << runtimeFolderNames().front();
        EXPECT_EQ(left, std::vector<fs::path>{runtimeFolder(sha256).parent_path() / "install.lock"}) << what;
    }
    static void expectFailure(const Watched& seen, const std::vector<std::u16string>& words, bool viaButton,
                              const std::string& what) {
        std::string said;
        for (const std::string& message : seen.messages) said += "\n  \"" + message + "\"";
        ASSERT_EQ(seen.messages.size(), 1u) << what << ": not one message:" << said;
        for (const std::u16string& word : words) {
            EXPECT_NE(seen.messages.front().find(toUtf8(word)), std::string::npos) << what << ": " << seen.messages.front();
        }
        EXPECT_EQ(seen.exitCode, static_cast<DWORD>(-1)) << what << ": not a start that found no runtime";
        // The dialog comes back; after an install that asked nothing first
        // it comes without the Install button.
        EXPECT_EQ(seen.dialogsBack, 1) << what << ": the dialog did not come back";
        EXPECT_TRUE(seen.backWithLinkAndPicker) << what;
        EXPECT_EQ(seen.installOffered, viaButton) << what;
    }
    std::vector<test::ZipItem> standinBelowTop() const { return test::standinRuntimeZipItems(""); }

    // Not a loopback address to the download: it must never be contacted.
    test::LoopbackServer elsewhere{"0.0.0.0"};
};

// Archives the install refuses, every other one through the progress window
// that asks nothing, the others through the dialog's Install button; either
// way the refusal is read over the install's progress, however soon it
// comes. (The
// zip of too many entries is the install step's row alone; its .tar.gz twin
// comes here.)
TEST_F(PinnedInstallRows, ARefusedArchiveInstallsNothing) {
    const std::vector<test::RefusedArchive> rows =
        test::refusedArchives(standinBelowTop(), "bin/server/jvm.dll", false);
    bool viaButton = false;
    for (const test::RefusedArchive& row : rows) {
        viaButton = !viaButton;
        // No runtime installed by an earlier row that should have refused.
        fs::remove_all(localData / "Viewer");
        server.serve("/jre.zip", ServedReply{.body = row.bytes});
        const std::string sha256 = test::checksumOf(row.bytes);
        pin("/jre.zip", sha256, viaButton ? "" : kAutomatic);
        const Watched seen = start(viaButton);
        EXPECT_TRUE(seen.messageOverProgress) << row.what;
        std::vector<std::u16string> words = row.words;
        words.push_back(u"was not installed");
        expectFailure(seen, words, viaButton, row.what);
        expectOnlyTheLock(sha256, row.what);
        EXPECT_FALSE(applicationRan("")) << row.what;
    }
    EXPECT_EQ(server.connections(), static_cast<int>(rows.size()));
}

struct DownloadRow {
    const char* what;
    ServedReply reply;      // at /jre.zip; location "elsewhere" is the other listener's address
    const char* program;    // the launcher build to start
    bool viaButton;
    std::vector<std::u16string> words;
    int requests;           // that the loopback server saw
};

TEST_F(PinnedInstallRows, AFailedDownloadInstallsNothingAndAsksNoOtherServer) {
    const std::string zip = test::standinRuntimeZip();
    const std::string sha256 = test::checksumOf(zip);
    elsewhere.serve("/jre.zip", ServedReply{.body = zip});
    const DownloadRow rows[] = {
        {"truncated download", {.body = zip, .framing = ServedReply::Framing::Truncated}, "launcher.exe", true,
         {u"The download from 127.0.0.1", u"ended early"}, 1},
        {"truncated download, automatic", {.body = zip, .framing = ServedReply::Framing::Truncated},
         "launcher.exe", false, {u"ended early"}, 1},
        {"a server that stalls", {.body = zip, .framing = ServedReply::Framing::Stall},
         "launcher_short_stall.exe", true, {u"127.0.0.1", u"nothing arrived for 1 seconds"}, 1},
        {"a server that stalls, automatic", {.body = zip, .framing = ServedReply::Framing::Stall},
         "launcher_short_stall.exe", false, {u"nothing arrived for 1 seconds"}, 1},
        {"a redirect to http", {.status = 302, .location = "elsewhere"}, "launcher.exe", true,
         {u"http://0.0.0.0:", u"is not an https address"}, 1},
    };
    for (const DownloadRow& row : rows) {
        fs::copy_file(test::builtProgramFolder() / row.program, exe, fs::copy_options::overwrite_existing);
        ServedReply reply = row.reply;
        if (reply.location == "elsewhere") reply.location = elsewhere.url("/jre.zip");
        server.serve("/jre.zip", reply);
        pin("/jre.zip", sha256, row.viaButton ? "" : kAutomatic);
        const int before = server.connections();
        const Watched seen = start(row.viaButton);
        expectFailure(seen, row.words, row.viaButton, row.what);
        expectOnlyTheLock(sha256, row.what);
        EXPECT_EQ(server.connections() - before, row.requests) << row.what;
        EXPECT_FALSE(applicationRan("")) << row.what;
    }
    EXPECT_EQ(elsewhere.connections(), 0);
}

// Two starts at once: the second waits for the first one's install (the
// server sends slowly enough for it to come meanwhile), and both run the
// application from the one download.
TEST_F(PinnedInstallRows, TwoStartsAtOnceDownloadOnceAndBothRun) {
    const std::string zip = test::standinRuntimeZip();
    server.serve("/jre.zip", ServedReply{.body = zip, .framing = ServedReply::Framing::Slow});
    const fs::path installed = pin("/jre.zip", test::checksumOf(zip), kAutomatic);
    test::StartedProcess first(exe.wstring(), L"one");
    ASSERT_TRUE(first.started());
    ASSERT_TRUE(test::waitUntil([&] { return server.connections() > 0; }, 30000)) << "the first start downloaded nothing";
    test::StartedProcess second(exe.wstring(), L"two");
    ASSERT_TRUE(second.started());
    const Watched one = watchStart(first, false);
    const Watched two = watchStart(second, false);
    EXPECT_EQ(one.exitCode, 0u);
    EXPECT_EQ(two.exitCode, 0u);
    EXPECT_TRUE(one.messages.empty() && two.messages.empty()) << (one.messages.empty() ? two : one).messages.front();
    EXPECT_TRUE(applicationRan("[one]"));
    EXPECT_TRUE(applicationRan("[two]"));
    EXPECT_EQ(server.connections(), 1);
    EXPECT_TRUE(fs::is_directory(installed));
    EXPECT_EQ(runtimeFolderNames(), std::vector<std::string>{installed.filename().string()});
}

// An address without its checksum is a configuration error: its own
// message, and the exit code of every configuration error; nothing is
// downloaded.
TEST_F(PinnedInstallRows, AnAddressWithoutChecksumIsAConfigurationError) {
    server.serve("/jre.zip", ServedReply{.body = test::standinRuntimeZip()});
    test::writeBytes(folder.path() / "viewer.ini",
                     "[Product Information]\r\nProduct Name=Viewer\r\nProduct Code=CODE\r\n"
                     "[Java Runtime Environment]\r\nMain Class=standin.Echo\r\nMinimum Version=99\r\n"
                     "Runtime Download URL=" + server.url("/jre.zip") + "\r\n" + kAutomatic +
                     "[Class Path]\r\nClass Path=app.jar\r\n");
    const test::LaunchResult result = test::launch(exe, {});
    ASSERT_EQ(result.messages.size(), 1u);
    EXPECT_EQ(result.messages[0], "Runtime Download URL: " + server.url("/jre.zip") +
                                      " is set without a Runtime Download SHA-256; a runtime that cannot be checked is "
                                      "never installed.");
    test::writeBytes(folder.path() / "viewer.ini", "[Java Runtime Environment]\r\nMinimum Version=1.8\r\n");
    EXPECT_EQ(result.exitCode, test::launch(exe, {}).exitCode) << "not the exit code of a missing main class";
    EXPECT_EQ(server.connections(), 0);
    EXPECT_FALSE(fs::exists(localData / "Viewer"));
}

// Plain http to another machine is a configuration error as well, at
// every start and before any search: nothing is contacted.
TEST_F(PinnedInstallRows, AClearTextAddressElsewhereIsAConfigurationError) {
    elsewhere.serve("/jre.zip", ServedReply{.body = test::standinRuntimeZip()});
    pin("/jre.zip", std::string(64, 'a'), kAutomatic);
    std::string ini = text(folder.path() / "viewer.ini");
    ini.replace(ini.find(server.url("/jre.zip")), server.url("/jre.zip").size(), elsewhere.url("/jre.zip"));
    test::writeBytes(folder.path() / "viewer.ini", ini);
    const test::LaunchResult result = test::launch(exe, {});
    ASSERT_EQ(result.messages.size(), 1u);
    EXPECT_EQ(result.messages[0], "Runtime Download URL: " + elsewhere.url("/jre.zip") +
                                      " is a plain http address; a runtime is downloaded over https only (plain http "
                                      "only from the loopback address 127.0.0.1 or [::1]).");
    EXPECT_EQ(result.exitCode, -1);
    EXPECT_EQ(elsewhere.connections(), 0);
    EXPECT_FALSE(fs::exists(localData / "Viewer"));
}

// A service has nobody to ask and must not fetch code on its own: no
// Install button, no download even when the pin says "Automatic".
TEST_F(PinnedInstallRows, AServiceInstallsNothing) {
    const std::string zip = test::standinRuntimeZip();
    server.serve("/jre.zip", ServedReply{.body = zip});
    const fs::path installed =
        pin("/jre.zip", test::checksumOf(zip), kAutomatic, "[Application]\r\nApplication Type=service\r\n");
    const Watched seen = start(true);
    EXPECT_FALSE(seen.installOffered);
    EXPECT_FALSE(seen.progressShown);
    EXPECT_EQ(seen.exitCode, static_cast<DWORD>(-1));
    EXPECT_EQ(server.connections(), 0);
    EXPECT_FALSE(fs::exists(installed));
    EXPECT_TRUE(runtimeFolderNames().empty());
    EXPECT_NE(text(launchTrace).find("not installed by this start: a service"), std::string::npos) << text(launchTrace);
}

} // namespace
} // namespace launcher
