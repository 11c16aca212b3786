// Time from process start to the first line of main, side by side in one
// run: the launcher, the JDK's own "java -cp", and a minimal loader that
// does nothing but load the runtime and call main.

#include "base/ModulePath.h"
#include "base/PathText.h"
#include "jre/JreLocator.h"
#include "PairedRounds.h"
#include "support/ChildProcess.h"
#include "support/TestSupport.h"

#include <algorithm>
#include <optional>
#include <chrono>
#include <random>
#include <thread>
#include <cstdio>
#include <vector>

using namespace launcher;
namespace fs = std::filesystem;

namespace {

struct Contender {
    std::string program;
    std::vector<std::string> arguments;
    std::vector<double> samples; // milliseconds
    std::string traceFile;       // set: the launch is traced into it
};

// One start, in milliseconds from before the process exists to the first
// line of main; negative when the run failed.
double startup(const Contender& c) {
    std::optional<test::EnvironmentOverride> trace;
    if (!c.traceFile.empty()) trace.emplace(u"QX_LAUNCHER_TRACE", fromUtf8(c.traceFile));
    return bench::msUntilPrinted(c.program, c.arguments);
}

double pairedRatio(const Contender& a, const Contender& b) { return bench::pairedRatio(a.samples, b.samples); }

} // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::atoi(argv[1]) : 15;
    // Another build of the launcher (say, before a change), measured beside
    // this one in the same rounds.
    const fs::path other = argc > 2 ? fs::path(argv[2]) : fs::path();
    std::u16string self;
    readModulePath(self);
    fs::path bin = test::toPath(folderOf(self));
    fs::path jar = bin.parent_path() / "java" / "firstline.jar";

    RuntimeSearch search;
    search.criteria.maximumVersion = makeVersion(65535, 65535, 65535, 65535);
    search.criteria.jdkKind = search.criteria.jreKind = true;
    std::string jvm = toUtf8(locateRuntime(search).jvmPath);
    fs::path java = fs::path(jvm).parent_path().parent_path().parent_path() / "bin" / "java";

    test::TempFolder app;
    fs::copy_file(bin / "launcher", app.path() / "app");
    fs::copy_file(jar, app.path() / "firstline.jar");
    test::writeBytes(app.path() / "app.ini", "[Java Runtime Environment]\nMain Class=bench.FirstLine\nJRE Path=" +
                                                 fs::path(jvm).parent_path().parent_path().parent_path().string() +
                                                 "\n[Class Path]\nClass Path=firstline.jar\n");

    std::vector<Contender> contenders = {
        {(app.path() / "app").string(), {}, {}},
        {java.string(), {"-cp", jar.string(), "bench.FirstLine"}, {}},
        {(bin / "minimal_loader").string(), {jvm, jar.string(), "bench/FirstLine"}, {}},
        // The same program once more: how far apart two identical contenders
        // come out is how finely this machine can tell the others apart.
        {(bin / "minimal_loader").string(), {jvm, jar.string(), "bench/FirstLine"}, {}},
        // The launcher once more with its launch trace written to a file.
        {(app.path() / "app").string(), {}, {}, (app.path() / "trace.log").string()},
    };
    if (!other.empty()) {
        fs::copy_file(other, app.path() / "other");
        fs::copy_file(app.path() / "app.ini", app.path() / "other.ini");
        contenders.push_back({(app.path() / "other").string(), {}, {}});
    }
    // Files written a moment ago are re-read by every reader of the launcher
    // (their times could still change unseen); installed files are older.
    std::this_thread::sleep_for(std::chrono::seconds(3));
    // Taken in turns, after one round that only warms the file cache. Each
    // round takes them in a new order: a program started right after
    // another one (the same or not) finds the machine in a different state,
    // and a fixed order, or a rotating one, would hand that to the same
    // contender every time.
    std::vector<size_t> order(contenders.size());
    for (size_t k = 0; k < order.size(); ++k) order[k] = k;
    std::mt19937 shuffler(20261209);
    for (int round = 0; round <= runs; ++round) {
        std::shuffle(order.begin(), order.end(), shuffler);
        for (size_t k : order) {
            Contender& c = contenders[k];
            double ms = startup(c);
            if (ms < 0) return 1;
            if (round > 0) c.samples.push_back(ms);
        }
    }
    double launcher = bench::median(contenders[0].samples);
    double javaCp = bench::median(contenders[1].samples);
    double minimal = bench::median(contenders[2].samples);
    std::printf("start to first line of main (median of %d runs, runtime %s):\n", runs, jvm.c_str());
    std::printf("  launcher        %8.1f ms\n", launcher);
    std::printf("  java -cp        %8.1f ms   launcher / java -cp = %.3f\n", javaCp, pairedRatio(contenders[0], contenders[1]));
    std::printf("  minimal loader  %8.1f ms   launcher / minimal  = %.3f\n", minimal, pairedRatio(contenders[0], contenders[2]));
    std::printf("  minimal, again  %8.1f ms   minimal / again     = %.3f (the noise floor)\n",
                bench::median(contenders[3].samples), pairedRatio(contenders[2], contenders[3]));
    std::printf("  launcher traced %8.1f ms   traced / untraced   = %.3f (the trace written to a file)\n",
                bench::median(contenders[4].samples), pairedRatio(contenders[4], contenders[0]));
    if (!other.empty()) {
        std::printf("  other launcher  %8.1f ms   launcher / other    = %.3f (%s)\n", bench::median(contenders[5].samples),
                    pairedRatio(contenders[0], contenders[5]), other.c_str());
    }
    std::printf("  (ratios: median over rounds of the launcher's time to the other's in the same round)\n");
    return 0;
}
