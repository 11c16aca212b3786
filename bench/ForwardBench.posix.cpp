// A forwarded launch, timed from before the process exists to its exit with
// the running instance's answer, beside a plain launch of the same program
// that starts its own Java and ends at once.

#include "base/ModulePath.h"
#include "base/PathText.h"
#include "MachineRuntime.h"
#include "support/ChildProcess.h"
#include "support/TestSupport.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

using namespace launcher;
namespace fs = std::filesystem;

namespace {

double median(std::vector<double> samples) {
    std::sort(samples.begin(), samples.end());
    return samples.empty() ? -1 : samples[samples.size() / 2];
}

// Milliseconds from start to exit; negative when the exit code is not the
// expected one.
double timed(const fs::path& exe, const std::vector<std::string>& arguments, int expected) {
    auto start = std::chrono::steady_clock::now();
    test::ChildResult r = test::runChild(exe.string(), arguments, 120);
    std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
    if (r.exitCode != expected) {
        std::fprintf(stderr, "%s ended with %d, not %d: %s\n", exe.c_str(), r.exitCode, expected, r.err.c_str());
        return -1;
    }
    return took.count();
}

fs::path install(const fs::path& folder, const fs::path& bin, const std::string& jreHome, const char* singleInstance) {
    fs::create_directories(folder);
    fs::copy_file(bin / "launcher", folder / "app");
    fs::copy_file(bin.parent_path() / "java" / "forward.jar", folder / "forward.jar");
    test::writeBytes(folder / "app.ini", "[Java Runtime Environment]\nMain Class=forward.Main\nJRE Path=" + jreHome +
                                             "\n[Class Path]\nClass Path=forward.jar\n[Application]\nSingle Instance=" +
                                             singleInstance + "\n");
    return folder / "app";
}

} // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::atoi(argv[1]) : 15;
    std::u16string self;
    readModulePath(self);
    const fs::path bin = test::toPath(folderOf(self));

    const std::string jreHome = bench::machineRuntimeHome().string();

    test::TempFolder work;
    const fs::path forwarding = install(work.path() / "forwarding", bin, jreHome, "yes");
    const fs::path plain = install(work.path() / "plain", bin, jreHome, "no");

    std::thread primary([&] { test::runChild(forwarding.string(), {"linger"}, 600); });
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    bool ready = false;
    for (int i = 0; i < 100 && !ready; ++i) ready = timed(forwarding, {"1", "tag1"}, 1) >= 0;

    std::vector<double> forwarded, own;
    for (int round = 0; ready && round <= runs; ++round) {
        double f = timed(forwarding, {"7", "tag7"}, 7);
        double p = timed(plain, {"exit", "0"}, 0);
        if (f < 0 || p < 0) break;
        // The first round only warms the file cache.
        if (round > 0) {
            forwarded.push_back(f);
            own.push_back(p);
        }
    }
    timed(forwarding, {"stop"}, 101);
    primary.join();
    if (forwarded.size() != static_cast<size_t>(runs)) return 1;
    std::printf("start to exit (median of %d runs, runtime %s):\n", runs, jreHome.c_str());
    std::printf("  forwarded launch, answered by secondaryMain  %8.1f ms\n", median(forwarded));
    std::printf("  plain launch of its own Java                 %8.1f ms\n", median(own));
    return 0;
}
