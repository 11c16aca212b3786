#pragma once
// Timing helpers of the start-up benchmarks: each contender's program prints
// the wall-clock time of the moment measured (microseconds since the epoch)
// as its first line, and contenders are compared round by round.

#include "support/ChildProcess.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace bench {

inline long long nowMicros() {
    return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

// Milliseconds from before the process exists to the time it printed;
// negative when the run failed.
inline double msUntilPrinted(const std::string& program, const std::vector<std::string>& arguments) {
    const long long start = nowMicros();
    launcher::test::ChildResult r = launcher::test::runChild(program, arguments, 120);
    if (r.exitCode != 0 || r.out.empty()) {
        std::fprintf(stderr, "%s failed (%d): %s\n", program.c_str(), r.exitCode, r.err.substr(0, 400).c_str());
        return -1;
    }
    return static_cast<double>(std::stoll(r.out) - start) / 1000.0;
}

inline double median(std::vector<double> samples) {
    std::sort(samples.begin(), samples.end());
    return samples.empty() ? -1 : samples[samples.size() / 2];
}

// The machine's speed drifts over a run by more than the differences being
// measured; comparing the contenders within each round cancels that drift.
inline std::vector<double> roundRatios(const std::vector<double>& a, const std::vector<double>& b) {
    std::vector<double> ratios;
    for (size_t i = 0; i < a.size() && i < b.size(); ++i) ratios.push_back(a[i] / b[i]);
    return ratios;
}

inline double pairedRatio(const std::vector<double>& a, const std::vector<double>& b) {
    return median(roundRatios(a, b));
}

// The quarter and three quarters of the way through the sorted samples:
// how far apart the middle half of the rounds came out.
inline std::pair<double, double> middleHalf(std::vector<double> samples) {
    if (samples.empty()) return {-1, -1};
    std::sort(samples.begin(), samples.end());
    return {samples[samples.size() / 4], samples[samples.size() * 3 / 4]};
}

} // namespace bench
