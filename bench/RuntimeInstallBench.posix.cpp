// Installing a pinned runtime: a runtime zip of about 45 MB (a jlink image
// of the Java SE modules and the usual jdk.* ones, as large as a vendor's
// JRE zip) served over loopback by Python's http.server. Side by side in
// each round:
//   - the launcher's install (download with the SHA-256 computed while it
//     streams to disk, check, unpack, runtime check, rename), run in a child
//     process of its own so that its peak resident memory is its own;
//   - curl -o, sha256sum and unzip of the same file, one after the other.
// Prints the medians, the paired ratio and the install's peak memory.

#include "base/Sha256.h"
#include "base/Text.h"
#include "install/RuntimeInstall.h"
#include "PairedRounds.h"
#include "support/ArchiveBuilder.h"
#include "support/ChildProcess.h"
#include "support/InstalledRuntimes.h"
#include "support/TestSupport.h"

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <thread>

using namespace launcher;
namespace fs = std::filesystem;

namespace {

constexpr char kModules[] =
    "java.se,jdk.localedata,jdk.charsets,jdk.crypto.ec,jdk.crypto.cryptoki,jdk.jfr,jdk.management,jdk.unsupported,"
    "jdk.zipfs,jdk.httpserver,jdk.net,jdk.naming.dns,jdk.accessibility,jdk.jsobject,jdk.xml.dom,jdk.security.auth,"
    "jdk.security.jgss,jdk.jdwp.agent,jdk.management.agent,jdk.sctp,jdk.dynalink";

// Packs the image into zip in a child process, so that this process, whose
// memory the install's child starts from, never holds the archive.
bool packImage(const fs::path& image, const fs::path& zip) {
    const pid_t child = fork();
    if (child == 0) {
        std::vector<test::ZipItem> items;
        for (const auto& item : fs::recursive_directory_iterator(image)) {
            if (!item.is_regular_file() || item.is_symlink()) continue;
            const auto mode = static_cast<uint32_t>(fs::status(item.path()).permissions() & fs::perms::mask);
            items.push_back({.name = "jdk-17-jre/" + fs::relative(item.path(), image).generic_string(),
                             .data = test::readBytes(item.path()), .unixMode = 0100000 | mode});
        }
        test::writeBytes(zip, test::buildZip(items));
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::string sha256OfFile(const fs::path& file) {
    const test::ChildResult r = test::runChild("/usr/bin/sha256sum", {file.string()}, 120);
    return r.out.substr(0, 64);
}

// python3 -m http.server on 127.0.0.1, serving folder, until destroyed.
class FileServer {
public:
    explicit FileServer(const fs::path& folder) {
        const fs::path log = folder.parent_path() / "server.log";
        pid_ = fork();
        if (pid_ == 0) {
            std::freopen(log.c_str(), "w", stdout);
            std::freopen(log.c_str(), "a", stderr);
            execl("/usr/bin/python3", "python3", "-u", "-m", "http.server", "--bind", "127.0.0.1", "--directory",
                  folder.c_str(), "0", static_cast<char*>(nullptr));
            _exit(127);
        }
        // "Serving HTTP on 127.0.0.1 port N (...)"
        for (int i = 0; i < 500 && port_.empty(); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            const std::string text = fs::exists(log) ? test::readBytes(log) : "";
            const size_t at = text.find(" port ");
            if (at != std::string::npos) port_ = text.substr(at + 6, text.find(' ', at + 6) - at - 6);
        }
    }
    ~FileServer() {
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
    }
    FileServer(const FileServer&) = delete;
    FileServer& operator=(const FileServer&) = delete;
    bool listening() const { return !port_.empty(); }
    std::string url(const std::string& name) const { return "http://127.0.0.1:" + port_ + "/" + name; }

private:
    pid_t pid_ = -1;
    std::string port_;
};

struct Run {
    double ms = -1;
    long peakKilobytes = 0;
};

// The launcher's install in a child process; its time and peak memory.
Run launcherInstall(const RuntimePin& pin) {
    Run run;
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child == 0) {
        const InstallResult result = installRuntime(pin);
        if (!result) std::fprintf(stderr, "install failed: %s\n", toUtf8(result.message).c_str());
        _exit(result ? 0 : 1);
    }
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) {
        run.ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        run.peakKilobytes = usage.ru_maxrss;
    }
    return run;
}

double toolsInstall(const std::string& url, const fs::path& scratch) {
    fs::create_directories(scratch);
    const fs::path zip = scratch / "runtime.zip";
    const std::string script = "curl -s -f -o '" + zip.string() + "' '" + url + "' && sha256sum '" + zip.string() +
                               "' >/dev/null && unzip -q '" + zip.string() + "' -d '" + (scratch / "out").string() +
                               "'";
    const auto start = std::chrono::steady_clock::now();
    const test::ChildResult r = test::runChild("/bin/sh", {"-c", script}, 600);
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    if (r.exitCode != 0) {
        std::fprintf(stderr, "curl + sha256sum + unzip failed (%d): %s%s\n", r.exitCode, r.out.c_str(), r.err.c_str());
    }
    return r.exitCode == 0 ? ms : -1;
}

long ownPeakKilobytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

} // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const fs::path jdk = test::jdkWithJlink();
    if (jdk.empty()) {
        std::printf("runtime install: skipped, no JDK with jlink and jmods under /usr/lib/jvm\n");
        return 0;
    }
    test::TempFolder folder;
    const fs::path image = folder.path() / "image";
    const test::ChildResult made = test::runChild((jdk / "bin/jlink").string(),
        {"--add-modules", kModules, "--no-header-files", "--no-man-pages", "--output", image.string()}, 600);
    fs::create_directories(folder.path() / "served");
    const fs::path zip = folder.path() / "served" / "runtime.zip";
    if (made.exitCode != 0 || !packImage(image, zip)) {
        std::fprintf(stderr, "runtime install: the runtime image could not be made: %s\n", made.err.c_str());
        return 1;
    }
    fs::remove_all(image);
    const uint64_t size = fs::file_size(zip);
    FileServer server(folder.path() / "served");
    if (!server.listening()) {
        std::fprintf(stderr, "runtime install: python3 -m http.server did not start\n");
        return 1;
    }
    const std::string sha256 = sha256OfFile(zip);
    const fs::path runtimeFolder = folder.path() / "data" / "runtime";
    const RuntimePin pin{.url = fromUtf8(server.url("runtime.zip")), .sha256 = fromUtf8(sha256), .size = size,
                         .folder = fromUtf8((runtimeFolder / sha256.substr(0, 16)).string())};
    const long baseline = ownPeakKilobytes();

    std::vector<double> ours, tools;
    long peak = 0;
    for (int round = 0; round < rounds; ++round) {
        const Run run = launcherInstall(pin);
        fs::remove_all(runtimeFolder);
        const fs::path scratch = folder.path() / "tools";
        const double baselineMs = toolsInstall(server.url("runtime.zip"), scratch);
        fs::remove_all(scratch);
        if (run.ms < 0 || baselineMs < 0) return 1;
        ours.push_back(run.ms);
        tools.push_back(baselineMs);
        peak = std::max(peak, run.peakKilobytes);
    }
    std::printf("runtime install of a %.1f MB zip over loopback, %d rounds (medians):\n", size / 1e6, rounds);
    std::printf("  launcher (download + SHA-256 + unpack + check): %.0f ms\n", bench::median(ours));
    std::printf("  curl -o + sha256sum + unzip:                    %.0f ms\n", bench::median(tools));
    std::printf("  ratio launcher / tools (paired, median):        %.2f (goal <= 1.2)\n", bench::pairedRatio(ours, tools));
    std::printf("  install's peak resident memory: %.1f MB (goal <= 64 MB; %.1f MB of it the process it started from)\n",
                peak / 1024.0, baseline / 1024.0);
    return 0;
}
