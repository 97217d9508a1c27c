#include "tests/load/HostileLoad.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <latch>
#include <memory>
#include <thread>

#include "tests/load/HostileClients.h"
#include "tests/load/LoadReport.h"
#include "tests/load/ProcessProbe.h"
#include "tests/support/HelperSocket.h"

namespace tarvex {

namespace {

using Clock = std::chrono::steady_clock;

// Accounts nobody uses: the hostile clients and an honest neighbour; then uids nobody has.
constexpr uid_t HOSTILE_UID = 65534;
constexpr uid_t HONEST_UID = 65533;
constexpr uid_t FIRST_MANY_UID = 70000;
constexpr int STATUS_TIMEOUT_MS = 10000;
constexpr double MAX_LATENCY_RATIO = 10.0;
constexpr double MAX_DRIP_CPU_PERCENT = 5.0;
constexpr long MAX_SILENT_READERS_RSS_MIB = 100;
constexpr long MAX_MANY_UIDS_RSS_MIB = 64;
constexpr long MAX_STATUS_RUNS = 2;
// The helper's share of connections still sending for one account, and what else it may hold
// at the moment of a sample: connections accepted only to be closed, the honest client's and
// the pipe of its status run.
constexpr long ACCOUNT_RECEIVING_SHARE = 16;
constexpr long ACCEPTED_TO_CLOSE = 8;
// An account's share of requests being checked.
constexpr int ACCOUNT_CHECKS_SHARE = 4;

using Siege = std::vector<std::unique_ptr<AccountProcess>>;

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

struct HonestRun {
    double p99 = -1;  // milliseconds
    long failed = 0;  // answered with anything but the report, or not at all
};

// The honest neighbour's status requests over `seconds`, with `tick` run about every 50 ms.
HonestRun honestStatus(const LoadClientConfig& config, uid_t honest, int seconds,
                       const std::function<void()>& tick = {}) {
    const auto latencies = parseLatencies(runAs(
        honest, [&] { return measureStatus(config, seconds, STATUS_TIMEOUT_MS); },
        std::chrono::seconds(seconds + STATUS_TIMEOUT_MS / 1000 + 5), tick));
    const auto failed = std::count(latencies.begin(), latencies.end(),
                                   std::chrono::milliseconds(STATUS_TIMEOUT_MS));
    return {percentileMs(latencies, 0.99), latencies.empty() ? 1 : static_cast<long>(failed)};
}

// `count` accounts from `first` on, each running `work`.
Siege besiegeFrom(uid_t first, int count, const std::function<void(int stopFd)>& work) {
    Siege siege;
    for (int i = 0; i < count; ++i) {
        siege.push_back(std::make_unique<AccountProcess>(first + static_cast<uid_t>(i), work));
    }
    return siege;
}

double ratioOf(double besieged, double idle) {
    return idle > 0 && besieged > 0 ? besieged / idle : -1;
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
    const double idle = honestStatus(config, honest, 2).p99;
    const long idleDescriptors = sampleProcess(pid).descriptors;
    AccountProcess siege(hostile, [&](int stopFd) {
        std::thread drips(dripRequests, std::cref(config), sizes.dripFeeders,
                          sizes.dripRequestBytes, sizes.dripBytesPerSecond, stopFd);
        holdIdleConnections(config, sizes.idleConnections, stopFd);
        drips.join();
    });
    std::this_thread::sleep_for(std::chrono::seconds(1));  // let the connections pile up
    bool passed = reachedHelper(pid, idleDescriptors);
    const double besieged = honestStatus(config, honest, sizes.seconds).p99;
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

// Many accounts at once, each holding more connections than its share, while the honest
// neighbour asks for status: the totals hold whatever the number of accounts.
bool manyUidsAtTheirLimits(const LoadClientConfig& config, pid_t pid, const HostileSizes& sizes,
                           uid_t honest) {
    const double idle = honestStatus(config, honest, 2).p99;
    const ProcessSample before = sampleProcess(pid);
    const long idleDescriptors = before.descriptors;
    Siege siege = besiegeFrom(FIRST_MANY_UID, sizes.manyUids, [&](int stopFd) {
        holdIdleConnections(config, sizes.connectionsPerUid, stopFd);
    });
    std::this_thread::sleep_for(std::chrono::seconds(1));
    ProcessSample peak = sampleProcess(pid);
    const HonestRun run = honestStatus(config, honest, sizes.seconds, [&] {
        const ProcessSample now = sampleProcess(pid);
        peak.descriptors = std::max(peak.descriptors, now.descriptors);
        peak.rssKiB = std::max(peak.rssKiB, now.rssKiB);
    });
    siege.clear();
    const long limit = sizes.openFiles;
    const double ratio = ratioOf(run.p99, idle);
    const double peakMiB = static_cast<double>(peak.rssKiB) / 1024.0;
    std::printf(
        "  hostile: %d uids, %d connections each: helper descriptors idle %ld, peak %ld of "
        "%ld; VmRSS peak %.2f MiB (target <= %ld), %.2f before\n",
        sizes.manyUids, sizes.connectionsPerUid, idleDescriptors, peak.descriptors, limit, peakMiB,
        MAX_MANY_UIDS_RSS_MIB, static_cast<double>(before.rssKiB) / 1024.0);
    std::printf(
        "  hostile: status p99 idle %.3f ms, with %d uids at their limits %.3f ms: ratio %.2f "
        "(target <= %.0f); honest requests refused: %ld (target 0)\n",
        idle, sizes.manyUids, run.p99, ratio, MAX_LATENCY_RATIO, run.failed);
    bool passed =
        check(peak.descriptors > idleDescriptors + sizes.manyUids,
              "every uid's connections reached the helper") &
        check(limit <= 0 || peak.descriptors < limit, "the helper's descriptors never ran out") &
        check(run.failed == 0, "no honest request refused") &
        check(ratio > 0 && ratio <= MAX_LATENCY_RATIO,
              "status p99 with many uids at their limits <= 10 x idle p99");
    if (sizes.checkCosts) {
        passed &= check(peak.rssKiB > 0 && peakMiB <= static_cast<double>(MAX_MANY_UIDS_RSS_MIB),
                        "helper VmRSS with many uids at their limits <= 64 MiB");
    }
    return passed;
}

// The uids of one account's subordinate range get that account's one share between them.
bool subordinateUidsShareTheirOwnersLimits(const LoadClientConfig& config, pid_t pid,
                                           const HostileSizes& sizes) {
    const long idle = sampleProcess(pid).descriptors;
    Siege siege = besiegeFrom(FIRST_SUBORDINATE_UID, sizes.manyUids, [&](int stopFd) {
        holdIdleConnections(config, sizes.connectionsPerUid, stopFd);
    });
    std::this_thread::sleep_for(std::chrono::seconds(2));
    long peak = 0;
    honestStatus(config, HONEST_UID, 1,
                 [&] { peak = std::max(peak, sampleProcess(pid).descriptors); });
    siege.clear();
    std::printf(
        "  hostile: %d subordinate uids of uid %u, %d connections each: the helper holds %ld of "
        "them (target <= %ld: one account's share of %ld, and a few held for a moment)\n",
        sizes.manyUids, SUBORDINATE_OWNER, sizes.connectionsPerUid, peak - idle,
        ACCOUNT_RECEIVING_SHARE + ACCEPTED_TO_CLOSE, ACCOUNT_RECEIVING_SHARE);
    return check(peak > idle && peak - idle <= ACCOUNT_RECEIVING_SHARE + ACCEPTED_TO_CLOSE,
                 "subordinate uids held to their owner's one share");
}

// Ends the fake pkcheck's waits: each one blocked on the FIFO goes on when a writer opens it.
void releaseChecks(const std::string& prefix) {
    setSwitch(prefix + "/" + HOLD_CHECKS_SWITCH, false);
    const std::string fifo = prefix + "/" + CHECKS_FIFO;
    for (const auto end = Clock::now() + std::chrono::seconds(2); Clock::now() < end;) {
        const int fd = open(fifo.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd >= 0) {
            close(fd);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

// Accounts that each leave their share of "start" requests waiting on a password prompt nobody
// answers, while the honest neighbour asks for status.
bool statusWhileChecksWait(const LoadClientConfig& config, const std::string& prefix,
                           const HostileSizes& sizes, uid_t honest) {
    const double idle = honestStatus(config, honest, 2).p99;
    const std::string started = prefix + "/" + CHECKS_STARTED_FILE;
    const long before = lineCount(started);
    setSwitch(prefix + "/" + HOLD_CHECKS_SWITCH, true);
    const int accounts = (sizes.waitingChecks + ACCOUNT_CHECKS_SHARE - 1) / ACCOUNT_CHECKS_SHARE;
    Siege siege = besiegeFrom(FIRST_MANY_UID, accounts, [&](int stopFd) {
        ignoreReplies(config, ACCOUNT_CHECKS_SHARE, stopFd, "start");
    });
    const auto deadline = Clock::now() + std::chrono::seconds(10);
    while (lineCount(started) - before < sizes.waitingChecks && Clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    const long waiting = lineCount(started) - before;
    const HonestRun run = honestStatus(config, honest, sizes.seconds);
    siege.clear();
    releaseChecks(prefix);
    const double ratio = ratioOf(run.p99, idle);
    std::printf(
        "  hostile: status p99 idle %.3f ms, with %ld checks waiting for a password %.3f ms: "
        "ratio %.2f (target <= %.0f); honest requests refused: %ld\n",
        idle, waiting, run.p99, ratio, MAX_LATENCY_RATIO, run.failed);
    return check(waiting >= sizes.waitingChecks, "the checks were waiting") &
           check(run.failed == 0 && ratio > 0 && ratio <= MAX_LATENCY_RATIO,
                 "status p99 while checks wait <= 10 x idle p99, none refused");
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
    // Before the large replies, which leave freed memory resident.
    if (root) {
        passed &= manyUidsAtTheirLimits(config, pid, sizes, honest);
        passed &= subordinateUidsShareTheirOwnersLimits(config, pid, sizes);
        passed &= statusWhileChecksWait(config, prefix, sizes, honest);
    } else {
        std::printf("  [skip] many uids, subordinate uids and waiting checks (not root)\n");
    }
    passed &= memoryWithSilentReaders(config, pid, prefix, sizes, hostile);
    // Threads from here on: no more forks.
    passed &= toolRunsForSimultaneousStatus(config, prefix, sizes);
    return passed;
}

}  // namespace tarvex
