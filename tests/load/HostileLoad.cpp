#include "tests/load/HostileLoad.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <latch>
#include <thread>

#include "shared/HelperSocket.h"
#include "tests/load/HostileClients.h"
#include "tests/load/LoadReport.h"
#include "tests/load/ProcessProbe.h"

namespace tarvex {

namespace {

using Clock = std::chrono::steady_clock;

// Accounts nobody uses: the hostile clients and an honest neighbour.
constexpr uid_t HOSTILE_UID = 65534;
constexpr uid_t HONEST_UID = 65533;
constexpr int STATUS_TIMEOUT_MS = 10000;
constexpr double MAX_LATENCY_RATIO = 10.0;
constexpr double MAX_DRIP_CPU_PERCENT = 5.0;
constexpr long MAX_SILENT_READERS_RSS_MIB = 100;
constexpr long MAX_STATUS_RUNS = 2;

long lineCount(const std::string& path) {
    std::ifstream in(path);
    long lines = 0;
    for (std::string line; std::getline(in, line);) {
        ++lines;
    }
    return lines;
}

void setSwitch(const std::string& path, bool on) {
    if (on) {
        std::ofstream{path};
    } else {
        std::filesystem::remove(path);
    }
}

// The honest neighbour's status p99 over `seconds`, in milliseconds.
double honestP99(const LoadClientConfig& config, uid_t honest, int seconds) {
    const std::string latencies = runAs(
        honest, [&] { return measureStatus(config, seconds, STATUS_TIMEOUT_MS); },
        std::chrono::seconds(seconds + STATUS_TIMEOUT_MS / 1000 + 5));
    return percentileMs(parseLatencies(latencies), 0.99);
}

// A figure met because the hostile clients never got through would be no figure at all: the
// helper holds more descriptors while they are connected.
bool reachedHelper(pid_t pid, long idleDescriptors) {
    const long now = sampleProcess(pid).descriptors;
    std::printf("  hostile: helper descriptors idle %ld, with the hostile clients %ld\n",
                idleDescriptors, now);
    return check(now > idleDescriptors, "the hostile clients reached the helper");
}

bool latencyUnderSiege(const LoadClientConfig& config, pid_t pid, const HostileSizes& sizes,
                       uid_t hostile, uid_t honest) {
    const double idle = honestP99(config, honest, 2);
    const long idleDescriptors = sampleProcess(pid).descriptors;
    AccountProcess siege(hostile, [&](int stopFd) {
        std::thread drips(dripRequests, std::cref(config), sizes.dripFeeders,
                          sizes.dripRequestBytes, sizes.dripBytesPerSecond, stopFd);
        holdIdleConnections(config, sizes.idleConnections, stopFd);
        drips.join();
    });
    std::this_thread::sleep_for(std::chrono::seconds(1));  // let the connections pile up
    bool passed = reachedHelper(pid, idleDescriptors);
    const double besieged = honestP99(config, honest, sizes.seconds);
    siege.stop();
    const double ratio = idle > 0 && besieged > 0 ? besieged / idle : -1;
    std::printf(
        "  hostile: status p99 idle %.3f ms, with %d idle connections and %d "
        "drip-feeders %.3f ms: ratio %.2f (target <= %.0f)\n",
        idle, sizes.idleConnections, sizes.dripFeeders, besieged, ratio, MAX_LATENCY_RATIO);
    return passed & check(ratio > 0 && ratio <= MAX_LATENCY_RATIO,
                          "status p99 besieged by another account <= 10 x idle p99");
}

bool cpuWhileDripping(const LoadClientConfig& config, pid_t pid, const HostileSizes& sizes,
                      uid_t hostile) {
    const long idleDescriptors = sampleProcess(pid).descriptors;
    AccountProcess drips(hostile, [&](int stopFd) {
        dripRequests(config, sizes.dripFeeders, sizes.dripRequestBytes, sizes.dripBytesPerSecond,
                     stopFd);
    });
    std::this_thread::sleep_for(std::chrono::seconds(1));
    bool passed = reachedHelper(pid, idleDescriptors);
    const long before = sampleProcess(pid).cpuTicks;
    const auto started = Clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(sizes.seconds));
    const long after = sampleProcess(pid).cpuTicks;
    const double elapsed = std::chrono::duration<double>(Clock::now() - started).count();
    drips.stop();
    const double percent = before >= 0 && after >= 0
                               ? 100.0 * static_cast<double>(after - before) /
                                     static_cast<double>(sysconf(_SC_CLK_TCK)) / elapsed
                               : -1;
    std::printf(
        "  hostile: helper CPU while %d connections drip a %zu-byte request at %d B/s: "
        "%.2f %% of one core (target <= %.0f)\n",
        sizes.dripFeeders, sizes.dripRequestBytes, sizes.dripBytesPerSecond, percent,
        MAX_DRIP_CPU_PERCENT);
    if (!sizes.checkCosts) {
        std::printf("  [skip] helper CPU while requests drip (sanitizer build)\n");
        return passed;
    }
    return passed & check(percent >= 0 && percent <= MAX_DRIP_CPU_PERCENT,
                          "helper CPU while requests drip in <= 5 % of one core");
}

bool memoryWithSilentReaders(const LoadClientConfig& config, pid_t pid, const std::string& prefix,
                             const HostileSizes& sizes, uid_t hostile) {
    const std::string bigSwitch = prefix + "/" + BIG_STATUS_SWITCH;
    const std::string runsFile = prefix + "/" + STATUS_RUNS_FILE;
    setSwitch(bigSwitch, true);
    const long runsBefore = lineCount(runsFile);
    long peakKiB = sampleProcess(pid).rssKiB;
    {
        AccountProcess readers(
            hostile, [&](int stopFd) { ignoreReplies(config, sizes.silentReaders, stopFd); });
        const auto end = Clock::now() + std::chrono::seconds(sizes.seconds);
        while (Clock::now() < end) {
            peakKiB = std::max(peakKiB, sampleProcess(pid).rssKiB);
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    }
    setSwitch(bigSwitch, false);
    // Without a run there was no large reply to hold.
    const bool ran = check(lineCount(runsFile) > runsBefore, "the large status reply was made");
    const double peakMiB = static_cast<double>(peakKiB) / 1024.0;
    std::printf(
        "  hostile: helper VmRSS peak with %d clients not reading a %zu-byte reply: "
        "%.2f MiB (target <= %ld)\n",
        sizes.silentReaders, BIG_STATUS_BYTES, peakMiB, MAX_SILENT_READERS_RSS_MIB);
    if (!sizes.checkCosts) {
        std::printf("  [skip] VmRSS with silent readers (sanitizer build)\n");
        return ran;
    }
    return ran & check(peakKiB > 0 && peakMiB <= static_cast<double>(MAX_SILENT_READERS_RSS_MIB),
                       "helper VmRSS with clients not reading a large reply <= 100 MiB");
}

bool toolRunsForSimultaneousStatus(const LoadClientConfig& config, const std::string& prefix,
                                   const HostileSizes& sizes) {
    const std::string slowSwitch = prefix + "/" + SLOW_STATUS_SWITCH;
    const std::string runsFile = prefix + "/" + STATUS_RUNS_FILE;
    setSwitch(slowSwitch, true);
    const long runsBefore = lineCount(runsFile);
    std::atomic<int> answered{0};
    std::latch connected(sizes.simultaneousStatus);
    std::vector<std::thread> clients;
    for (int i = 0; i < sizes.simultaneousStatus; ++i) {
        clients.emplace_back([&] {
            std::string error;
            const int fd = connectToHelper(config.socketPath, error);
            connected.arrive_and_wait();  // every request leaves at the same moment
            const HelperExchange exchange =
                fd >= 0 ? exchangeWithHelper(fd, {"status", {}}, STATUS_TIMEOUT_MS)
                        : HelperExchange{};
            if (exchange.replied &&
                exchange.reply == HelperReply{true, config.expectedStatusOutput}) {
                ++answered;
            }
        });
    }
    for (std::thread& client : clients) {
        client.join();
    }
    setSwitch(slowSwitch, false);
    const long runs = lineCount(runsFile) - runsBefore;
    std::printf(
        "  hostile: tool runs for %d simultaneous status requests: %ld, %d answered "
        "(target <= %ld runs, all answered)\n",
        sizes.simultaneousStatus, runs, answered.load(), MAX_STATUS_RUNS);
    return check(runs >= 1 && runs <= MAX_STATUS_RUNS && answered == sizes.simultaneousStatus,
                 "simultaneous status requests answered by at most 2 tool runs");
}

}  // namespace

bool runHostilePhases(const LoadClientConfig& config, pid_t pid, const std::string& prefix,
                      const HostileSizes& sizes) {
    const bool root = geteuid() == 0;
    const uid_t hostile = root ? HOSTILE_UID : SAME_ACCOUNT;
    const uid_t honest = root ? HONEST_UID : SAME_ACCOUNT;
    std::printf("helper hostile run: %d s windows; %s\n", sizes.seconds,
                root ? "hostile clients as uid 65534, the honest one as uid 65533"
                     : "not root: every client in the helper's own account, which no per-account "
                       "limit applies to");
    bool passed = true;
    passed &= latencyUnderSiege(config, pid, sizes, hostile, honest);
    passed &= cpuWhileDripping(config, pid, sizes, hostile);
    passed &= memoryWithSilentReaders(config, pid, prefix, sizes, hostile);
    // Threads from here on: no more forks.
    passed &= toolRunsForSimultaneousStatus(config, prefix, sizes);
    return passed;
}

}  // namespace tarvex
