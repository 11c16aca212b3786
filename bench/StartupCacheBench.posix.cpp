// Time from process start until a window is on screen, for each installed
// runtime of version 13 or newer: "java -cp", the launcher, and the
// launcher with "Startup Cache" from its second start on (the class-data
// archive on 13 to 24; on 25 and newer the ahead-of-time cache and, for
// comparison, the archive with the options the launcher gives on 19 to 24).
// On 25 and newer also the one-time cost of the ahead-of-time cache: the
// recording start, the background assembly's duration and peak memory, the
// files' sizes. The programs: a small Swing window, and jEdit (Debian's
// package, when installed) until its main window shows. Needs an X display
// (scripts/bench runs it under xvfb-run).

#include "PairedRounds.h"
#include "base/Text.h"
#include "support/ChildProcess.h"
#include "support/InstalledRuntimes.h"
#include "support/TestSupport.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <numeric>
#include <random>
#include <thread>

namespace fs = std::filesystem;
using namespace launcher;

namespace {

struct Program {
    const char* title;
    std::vector<fs::path> jars; // the class path, in this order (jEdit finds its files beside its jar)
    std::string mainClass;
    std::vector<std::string> arguments;
};

struct Timing {
    double window = -1; // milliseconds until the window showed; negative: failed
    double exit = -1;   // milliseconds until the process ended
};

// The window's time is the first line, or the line after "window=".
Timing timeStart(const std::string& program, const std::vector<std::string>& arguments) {
    const long long start = bench::nowMicros();
    const test::ChildResult r = test::runChild(program, arguments, 180);
    const long long end = bench::nowMicros();
    const size_t at = r.out.find("window=");
    const std::string shown = at == std::string::npos ? r.out : r.out.substr(at + 7);
    if (r.exitCode != 0 || shown.empty() || !std::isdigit(static_cast<unsigned char>(shown[0]))) {
        std::fprintf(stderr, "%s failed (%d): %s\n", program.c_str(), r.exitCode, r.err.substr(0, 400).c_str());
        return {};
    }
    return {static_cast<double>(std::stoll(shown) - start) / 1000.0, static_cast<double>(end - start) / 1000.0};
}

// The processes of the background assembly, and the largest peak memory
// (kB) of those that assemble.
std::vector<fs::path> assemblyProcesses() {
    std::vector<fs::path> found;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator("/proc", error)) {
        if (test::readBytes(entry.path() / "environ").find("QX_LAUNCHER_STARTUP_CACHE_ASSEMBLY=") != std::string::npos) {
            found.push_back(entry.path());
        }
    }
    return found;
}

long peakOfAssembly() {
    long peak = 0;
    for (const fs::path& process : assemblyProcesses()) {
        if (test::readBytes(process / "environ").find(":assemble") == std::string::npos) continue;
        const std::string status = test::readBytes(process / "status");
        const size_t at = status.find("VmHWM:");
        if (at != std::string::npos) peak = std::max(peak, std::atol(status.c_str() + at + 6));
    }
    return peak;
}

uint64_t sizeOf(const fs::path& folder, const std::string& prefix, const std::string& extension) {
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, error)) {
        const std::string name = entry.path().filename().string();
        if (name.starts_with(prefix) && name.ends_with(extension)) return entry.file_size();
    }
    return 0;
}

// Until no assembly runs (at most three minutes); the peak memory seen.
long waitForAssembly() {
    long peak = 0;
    const auto end = std::chrono::steady_clock::now() + std::chrono::minutes(3);
    while (!assemblyProcesses().empty() && std::chrono::steady_clock::now() < end) {
        peak = std::max(peak, peakOfAssembly());
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return peak;
}

struct Contender {
    std::string name;
    std::string program;
    std::vector<std::string> arguments;
    std::vector<double> samples; // milliseconds
};

// The application folder: one launcher per way of starting the program,
// each with its INI file.
class AppFolder {
public:
    AppFolder(const Program& program, const fs::path& home, const fs::path& bin) {
        std::string classPath;
        for (const fs::path& jar : program.jars) classPath += (classPath.empty() ? "" : ";") + jar.string();
        auto ini = [&](const std::string& parameters, const std::string& application) {
            return "[Product Information]\nProduct Name=Bench\nProduct Code=1\n[Java Runtime Environment]\nMain Class=" +
                   program.mainClass + "\nJRE Path=" + home.string() + "\nVirtual Machine Parameters=" + parameters +
                   "\n[Class Path]\nClass Path=" + classPath + "\n[Application]\n" + application + "\n";
        };
        for (const char* name : {"plain", "cached", "archive"}) fs::copy_file(bin / "launcher", app.path() / name);
        test::writeBytes(app.path() / "plain.ini", ini("", ""));
        test::writeBytes(app.path() / "cached.ini", ini("", "Startup Cache=Yes"));
        // The archive as the launcher asks for it on 19 to 24, given as the
        // application's own options.
        test::writeBytes(app.path() / "archive.ini",
                         ini("-Xlog:cds*=off,class+path*=off -Xlog:aot*=off -XX:+AutoCreateSharedArchive "
                             "-XX:SharedArchiveFile=" + (app.path() / "archive.jsa").string(), ""));
    }
    std::string launcher(const char* name) const { return (app.path() / name).string(); }
    fs::path cacheFolder() const { return app.path() / "cache" / "Bench" / "1"; }
    test::TempFolder app;
    test::EnvironmentOverride cacheHome{u"XDG_CACHE_HOME", fromUtf8((app.path() / "cache").string())};
};

// Later starts, in paired rounds of shuffled order; false when one failed.
bool measureLaterStarts(int major, const fs::path& home, const Program& program, const AppFolder& folder, int runs) {
    std::string joined;
    for (const fs::path& jar : program.jars) joined += (joined.empty() ? "" : ":") + jar.string();
    std::vector<std::string> javaArguments = {"-cp", joined, program.mainClass};
    javaArguments.insert(javaArguments.end(), program.arguments.begin(), program.arguments.end());
    std::vector<Contender> contenders = {{"java -cp", (home / "bin" / "java").string(), javaArguments, {}},
                                         {"launcher", folder.launcher("plain"), program.arguments, {}}};
    if (major >= 25) contenders.push_back({"launcher, archive", folder.launcher("archive"), program.arguments, {}});
    contenders.push_back({major >= 25 ? "launcher, AOT cache" : "launcher, archive", folder.launcher("cached"), program.arguments, {}});
    // The first round warms the file cache and records the caches.
    std::mt19937 shuffle(major);
    std::vector<size_t> order(contenders.size());
    std::iota(order.begin(), order.end(), 0);
    for (int round = 0; round <= runs; ++round) {
        if (round > 0) std::shuffle(order.begin(), order.end(), shuffle);
        for (size_t i : order) {
            const double ms = timeStart(contenders[i].program, contenders[i].arguments).window;
            if (ms < 0) return false;
            if (round > 0) contenders[i].samples.push_back(ms);
        }
        if (round == 0) waitForAssembly();
    }
    std::printf("runtime %d (%s), %s: start until the window is shown, median of %d paired rounds\n", major, home.c_str(),
                program.title, runs);
    for (const Contender& c : contenders) {
        std::printf("  %-20s %8.1f ms   / java -cp = %.3f   / launcher = %.3f\n", c.name.c_str(), bench::median(c.samples),
                    bench::pairedRatio(c.samples, contenders[0].samples), bench::pairedRatio(c.samples, contenders[1].samples));
    }
    if (major >= 25) {
        std::printf("  AOT cache / archive: %.3f\n", bench::pairedRatio(contenders[3].samples, contenders[2].samples));
    }
    std::fflush(stdout);
    return true;
}

// The ahead-of-time cache's one-time cost, in rounds that start from no
// cache; false when a start failed.
bool measureFirstStarts(const Program& program, const AppFolder& folder, int runs) {
    std::vector<double> plainWindow, plainExit, recordWindow, recordExit, assembly;
    long peak = 0;
    uint64_t configuration = 0;
    for (int round = 0; round < runs; ++round) {
        waitForAssembly();
        std::error_code error;
        for (const fs::directory_entry& entry : fs::directory_iterator(folder.cacheFolder(), error)) {
            if (entry.path().filename().string().starts_with("cached-")) fs::remove(entry.path());
        }
        const bool plainFirst = round % 2 == 0;
        Timing plain, recording;
        if (plainFirst) plain = timeStart(folder.launcher("plain"), program.arguments);
        recording = timeStart(folder.launcher("cached"), program.arguments);
        const auto ended = std::chrono::steady_clock::now();
        configuration = std::max(configuration, sizeOf(folder.cacheFolder(), "cached-", ".aotconf"));
        peak = std::max(peak, waitForAssembly());
        assembly.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - ended).count());
        if (!plainFirst) plain = timeStart(folder.launcher("plain"), program.arguments);
        if (plain.window < 0 || recording.window < 0) return false;
        plainWindow.push_back(plain.window);
        plainExit.push_back(plain.exit);
        recordWindow.push_back(recording.window);
        recordExit.push_back(recording.exit);
    }
    std::printf("  recording start: window %.1f ms (/ without the key = %.3f), end %.1f ms (/ without the key = %.3f)\n",
                bench::median(recordWindow), bench::pairedRatio(recordWindow, plainWindow), bench::median(recordExit),
                bench::pairedRatio(recordExit, plainExit));
    std::printf("  background assembly: %.0f ms after the end, peak memory %.0f MB (median of %d)\n", bench::median(assembly),
                static_cast<double>(peak) / 1024.0, runs);
    std::printf("  files: cache %.1f MB, configuration %.1f MB (removed once assembled), archive %.1f MB\n",
                static_cast<double>(sizeOf(folder.cacheFolder(), "cached-", ".aot")) / 1e6,
                static_cast<double>(configuration) / 1e6,
                static_cast<double>(sizeOf(folder.app.path(), "archive", ".jsa")) / 1e6);
    std::fflush(stdout);
    return true;
}

bool measure(int major, const fs::path& home, const Program& program, const fs::path& bin, int runs) {
    const AppFolder folder(program, home, bin);
    if (!measureLaterStarts(major, home, program, folder, runs)) return false;
    return major < 25 || measureFirstStarts(program, folder, std::max(3, runs / 3));
}

} // namespace

int main(int argc, char** argv) {
    // Arguments: the number of rounds (11), and a word of the titles of the
    // programs to measure (all).
    const int runs = argc > 1 ? std::atoi(argv[1]) : 11;
    const std::string only = argc > 2 ? argv[2] : "";
    if (std::getenv("DISPLAY") == nullptr) {
        std::printf("startup cache bench: skipped, no X display (run it under xvfb-run)\n");
        return 0;
    }
    const fs::path bin = fs::read_symlink("/proc/self/exe").parent_path();
    const fs::path java = bin.parent_path() / "java";
    std::vector<Program> programs = {{"Swing window", {java / "swingwindow.jar"}, "bench.SwingWindow", {}}};
    const fs::path jedit = "/usr/share/jedit/jedit.jar";
    test::TempFolder settings;
    if (fs::exists(jedit)) {
        programs.push_back({"jEdit", {java / "windowwatch.jar", jedit}, "bench.WindowWatch",
                            {"org.gjt.sp.jedit.jEdit", "-settings=" + settings.path().string(), "-noserver", "-nosplash"}});
    } else {
        std::printf("startup cache bench: jEdit left out (%s not installed: Debian's package \"jedit\")\n", jedit.c_str());
    }
    bool ok = true;
    for (const Program& program : programs) {
        if (std::string(program.title).find(only) == std::string::npos) continue;
        for (const auto& [major, home] : test::installedRuntimes(13)) ok = measure(major, home, program, bin, runs) && ok;
    }
    return ok ? 0 : 1;
}
