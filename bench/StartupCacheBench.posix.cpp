// Time from process start until a small Swing window is on screen, for each
// installed runtime of version 13 or newer: "java -cp", the launcher, and
// the launcher with "Startup Cache" from its second start on. Needs an X
// display (scripts/bench runs it under xvfb-run).

#include "PairedRounds.h"
#include "base/Text.h"
#include "support/ChildProcess.h"
#include "support/InstalledRuntimes.h"
#include "support/TestSupport.h"

#include <cstdio>
#include <cstdlib>

namespace fs = std::filesystem;
using namespace launcher;

namespace {

struct Contender {
    const char* name;
    std::string program;
    std::vector<std::string> arguments;
    std::vector<double> samples; // milliseconds
};

// One runtime's rounds; false when a start failed.
bool measure(int major, const fs::path& home, const fs::path& bin, int runs) {
    const fs::path jar = bin.parent_path() / "java" / "swingwindow.jar";
    test::TempFolder app;
    test::EnvironmentOverride cacheHome(u"XDG_CACHE_HOME", fromUtf8((app.path() / "cache").string()));
    const std::string ini = "[Product Information]\nProduct Name=Bench\nProduct Code=1\n"
                            "[Java Runtime Environment]\nMain Class=bench.SwingWindow\nJRE Path=" + home.string() +
                            "\n[Class Path]\nClass Path=swingwindow.jar\n";
    fs::copy_file(jar, app.path() / "swingwindow.jar");
    for (const char* name : {"plain", "cached"}) fs::copy_file(bin / "launcher", app.path() / name);
    test::writeBytes(app.path() / "plain.ini", ini);
    test::writeBytes(app.path() / "cached.ini", ini + "[Application]\nStartup Cache=Yes\n");

    std::vector<Contender> contenders = {
        {"java -cp", (home / "bin" / "java").string(), {"-cp", jar.string(), "bench.SwingWindow"}, {}},
        {"launcher", (app.path() / "plain").string(), {}, {}},
        {"launcher, cached", (app.path() / "cached").string(), {}, {}},
    };
    // The first round warms the file cache and records the archive.
    for (int round = 0; round <= runs; ++round) {
        for (Contender& c : contenders) {
            const double ms = bench::msUntilPrinted(c.program, c.arguments);
            if (ms < 0) return false;
            if (round > 0) c.samples.push_back(ms);
        }
    }
    std::printf("runtime %d (%s): start until the window is shown, median of %d rounds\n", major, home.c_str(), runs);
    for (const Contender& c : contenders) {
        std::printf("  %-17s %8.1f ms   / java -cp = %.3f\n", c.name, bench::median(c.samples), bench::pairedRatio(c.samples, contenders[0].samples));
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::atoi(argv[1]) : 11;
    if (std::getenv("DISPLAY") == nullptr) {
        std::printf("startup cache bench: skipped, no X display (run it under xvfb-run)\n");
        return 0;
    }
    const fs::path bin = fs::read_symlink("/proc/self/exe").parent_path();
    bool ok = true;
    for (const auto& [major, home] : test::installedRuntimes(13)) ok = measure(major, home, bin, runs) && ok;
    return ok ? 0 : 1;
}
