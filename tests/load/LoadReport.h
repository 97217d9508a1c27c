#pragma once

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace tarvex {

// The latency at `fraction` (0.99: p99) in milliseconds, or -1 without samples.
inline double percentileMs(std::vector<std::chrono::nanoseconds> samples, double fraction) {
    if (samples.empty()) {
        return -1;
    }
    std::sort(samples.begin(), samples.end());
    auto index = static_cast<std::size_t>(fraction * static_cast<double>(samples.size()));
    index = std::min(index, samples.size() - 1);
    return std::chrono::duration<double, std::milli>(samples[index]).count();
}

// Prints one check's verdict; answers it.
inline bool check(bool passed, const char* what) {
    std::printf("  [%s] %s\n", passed ? "pass" : "FAIL", what);
    return passed;
}

}  // namespace tarvex
