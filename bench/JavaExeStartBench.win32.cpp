// Start time of a command-line Java program under Wine: launcher-console.exe
// (beside an INI that names the runtime) against the same runtime's own
// java.exe, on the same jar, in paired rounds that alternate which of the
// two starts first.
//
// The figure that counts is the time from before the process exists until
// it has ended: a command-line program is done for the script or the person
// who started it only then, and that span holds everything each side does,
// the runtime's shutdown and Wine's process teardown included, so a launcher
// that is quick to main but slow to leave cannot look better than it is.
// The time to the program's first line (printed by the program itself from
// the same clock) is shown beside it.
//
// Usage: javaexestartbench.exe [rounds] [runtime home]
// (default 11 rounds and the runtime that scripts/setup unpacks into
// build/tools/windows-runtime/jdk; without one the benchmark says so and
// skips).

#include "PairedRounds.h"
#include "base/Handles.win32.h"
#include "base/ModulePath.h"
#include "base/Text.h"
#include "support/CapturedRun.win32.h"
#include "support/TestSupport.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

using namespace launcher;
namespace fs = std::filesystem;

namespace {

struct Timing {
    double firstLine = -1; // milliseconds until main's first line; negative: the run failed
    double exit = -1;      // milliseconds until the process had ended
};

// One start of program (its arguments already quoted) in folder, its
// standard output and error written to files named after run. Files rather
// than pipes: a pipe given to java.exe as standard error is never closed
// under Wine (its reader waits on after the process has ended), and the
// output is only read once the process is gone anyway.
Timing timeStart(const fs::path& program, const std::wstring& arguments, const fs::path& folder, int run) {
    const fs::path outPath = folder / ("out-" + std::to_string(run) + ".txt");
    const fs::path errPath = folder / ("err-" + std::to_string(run) + ".txt");
    const long long start = bench::nowMicros();
    const DWORD code = test::runToFiles(program, arguments,
                                        {.rights = test::Rights::Administrator, .workingDirectory = folder}, outPath,
                                        errPath);
    const long long end = bench::nowMicros();
    const std::string printed = test::readBytes(outPath);
    if (code != 0 || printed.empty() || printed[0] < '0' || printed[0] > '9') {
        std::fprintf(stderr, "%ls failed (%lu): %s%s\n", program.c_str(), code, printed.substr(0, 200).c_str(),
                     test::readBytes(errPath).substr(0, 400).c_str());
        return {};
    }
    return {static_cast<double>(std::stoll(printed) - start) / 1000.0, static_cast<double>(end - start) / 1000.0};
}

// The JAVA_VERSION line of the runtime's "release" file.
std::string runtimeVersion(const fs::path& home) {
    std::ifstream release(home / "release");
    for (std::string line; std::getline(release, line);) {
        if (line.rfind("JAVA_VERSION=", 0) != 0) continue;
        std::string version = line.substr(13);
        std::erase(version, '"');
        std::erase(version, '\r');
        return version;
    }
    return "of unknown version";
}

// Why the benchmark cannot run, read from what scripts/setup left behind.
std::string whyNoRuntime(const fs::path& home) {
    std::ifstream note(home.parent_path() / "unavailable.txt");
    std::string why;
    std::getline(note, why);
    if (!why.empty()) return "the Windows Java runtime could not be fetched (" + why + ")";
    return "no Java runtime at " + home.string() + " (scripts/setup unpacks one there)";
}

std::wstring quoted(const fs::path& path) { return L"\"" + path.wstring() + L"\""; }

struct Contender {
    fs::path program;
    std::wstring arguments;
    std::vector<double> firstLine, exit;
};

} // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 11;
    std::u16string self;
    readModulePath(self);
    const fs::path bin = test::toPath(self).parent_path();
    const fs::path build = bin.parent_path();
    const fs::path home = argc > 2 ? fs::path(argv[2]) : build.parent_path() / "tools" / "windows-runtime" / "jdk";
    const fs::path javaExe = home / "bin" / "java.exe";
    const fs::path jar = build / "java" / "firstline.jar";
    if (!fs::exists(javaExe) || !fs::exists(home / "bin" / "server" / "jvm.dll")) {
        std::printf("launcher-console.exe against java.exe: skipped, %s\n", whyNoRuntime(home).c_str());
        return 0;
    }
    if (!fs::exists(jar)) {
        std::printf("launcher-console.exe against java.exe: skipped, %s is missing (javac was not found when the "
                    "build was configured)\n", jar.string().c_str());
        return 0;
    }

    test::TempFolder app;
    fs::copy_file(bin / "launcher-console.exe", app.path() / "app.exe");
    fs::copy_file(jar, app.path() / "firstline.jar");
    test::writeBytes(app.path() / "app.ini", "[Java Runtime Environment]\r\nMain Class=bench.FirstLine\r\nJRE Path=" +
                                                 home.string() + "\r\n[Class Path]\r\nClass Path=firstline.jar\r\n");
    std::vector<Contender> contenders = {
        {app.path() / "app.exe", L"", {}, {}},
        {javaExe, L"-cp " + quoted(app.path() / "firstline.jar") + L" bench.FirstLine", {}, {}},
    };
    // On Windows the shell's desktop is always there. Under Wine the
    // desktop process starts with the first program that needs a window
    // station's desktop and ends a second after the last such program:
    // java.exe needs it (its common controls load the display driver),
    // the console launcher does not. Held here for the whole run, it is
    // there for both, as on Windows, and its start is charged to neither.
    GetDesktopWindow();
    // Files written a moment ago are re-read at every look-up (Wine's INI
    // cache waits until a file's times have settled); an installed
    // application's files are older.
    std::this_thread::sleep_for(std::chrono::seconds(3));
    // Round 0 only warms the file cache. The first start of a pair finds
    // the machine as the previous pair left it, the second right after a
    // runtime ended: each side starts first in every other round.
    for (int round = 0; round <= rounds; ++round) {
        for (int k = 0; k < 2; ++k) {
            Contender& c = contenders[(round + k) % 2];
            const Timing t = timeStart(c.program, c.arguments, app.path(), 2 * round + k);
            if (t.exit < 0) return 1;
            if (round == 0) continue;
            c.firstLine.push_back(t.firstLine);
            c.exit.push_back(t.exit);
        }
    }
    const Contender& ours = contenders[0];
    const Contender& java = contenders[1];
    std::printf("launcher-console.exe against the runtime's own java.exe under Wine (runtime %s, %s; medians of %d "
                "paired rounds):\n", home.string().c_str(), runtimeVersion(home).c_str(), rounds);
    std::printf("  launcher-console.exe   to exit %7.1f ms   to main's first line %7.1f ms\n", bench::median(ours.exit),
                bench::median(ours.firstLine));
    std::printf("  java.exe -cp           to exit %7.1f ms   to main's first line %7.1f ms\n", bench::median(java.exit),
                bench::median(java.firstLine));
    const std::vector<double> ratios = bench::roundRatios(ours.exit, java.exit);
    const auto [low, high] = bench::middleHalf(ratios);
    std::printf("  launcher / java.exe = %.3f to exit (goal: at most 0.90; middle half of the rounds %.3f to %.3f), "
                "%.3f to the first line\n", bench::median(ratios), low, high,
                bench::pairedRatio(ours.firstLine, java.firstLine));
    std::printf("  (ratios: median over rounds of the launcher's time to java.exe's in the same round)\n");
    // On a quiet machine the middle half of the rounds lies within about a
    // tenth; far wider, the machine's other work decided the rounds.
    if (high - low > 0.2) {
        std::printf("  (the rounds disagree widely: the machine is busy; give it more rounds or a quieter moment)\n");
    }
    return 0;
}
