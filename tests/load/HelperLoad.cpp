// Load-and-fault run for tarvex-helper: starts the real helper on a private socket with a fake
// control tool, hammers it with malformed frames, abrupt disconnects, stalled clients and slow
// commands, and measures ordinary status requests meanwhile. Stops by itself; exit status 0
// when the helper survived unchanged, 1 when a check failed, 2 on a usage or set-up error.
//   tarvex_helper_load --helper PATH [--seconds N] [--rounds R] [--rss-slack-kib K|none]
//                      [--thread-slack N] [--hostile-seconds S] [--idle-connections C]
//                      [--open-files N]
// The load comes in R rounds of N/R seconds with a settle after each: descriptors and threads
// must come back every time, and the resident set must not keep growing from round to round.
// With --hostile-seconds, hostile phases of S-second windows follow (HostileLoad.h): idle
// connections and drip-fed requests while an honest client measures status, large replies
// nobody reads, many uids, subordinate uids, waiting checks, simultaneous status requests.
// --rounds 0 runs only those; --open-files N starts the helper with that descriptor limit.
// --rss-slack-kib none (sanitizer builds) shows the resident set and the hostile phases' CPU
// without checking them.
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/load/HostileLoad.h"
#include "tests/load/LoadClients.h"
#include "tests/load/LoadReport.h"
#include "tests/load/ProcessProbe.h"

extern char** environ;

namespace tarvex {
namespace {

using Clock = std::chrono::steady_clock;
using Latencies = std::vector<std::chrono::nanoseconds>;

constexpr const char* STATUS_REPORT =
    "Launchd: loaded\nProcess: running (pid 4242)\nPort: 7420\nPort: open\n";
constexpr int IDLE_SAMPLES = 400;
constexpr double MAX_LATENCY_RATIO = 10.0;
// The helper hangs up on a client that has not sent a whole request within this time.
constexpr int STALL_TIMEOUT_SECONDS = 10;
// Between the first and the last round's settled VmRSS. Where the resident set settles after a
// burst varies by up to ~300 KiB from run to run (glibc keeps the stacks of finished worker
// threads cached and cannot always trim the heap top), so the bound sits above that noise; a
// leak of 32 bytes per request over a round's ~17,000 requests still exceeds it.
constexpr long MAX_RSS_GROWTH_KIB = 512;

struct Options {
    std::string helper;
    int seconds = 15;
    int rounds = 2;
    // Settled VmRSS was measured 130-750 KiB above the idle baseline after a burst, for the same
    // reasons as above. Negative: report the resident set, check nothing about it.
    long rssSlackKiB = 1024;
    // Idle worker threads the helper may keep above the baseline after a round.
    int threadSlack = 0;
    int hostileSeconds = 0;  // 0: no hostile phases
    int idleConnections = HostileSizes{}.idleConnections;
    long openFiles = 0;  // the helper's descriptor limit (soft and hard); 0: inherited
};

bool parseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string name = argv[i];
        if (name == "--helper") {
            options.helper = argv[i + 1];
        } else if (name == "--seconds") {
            options.seconds = std::atoi(argv[i + 1]);
        } else if (name == "--rounds") {
            options.rounds = std::atoi(argv[i + 1]);
        } else if (name == "--rss-slack-kib") {
            const std::string value = argv[i + 1];
            options.rssSlackKiB = value == "none" ? -1 : std::atol(value.c_str());
        } else if (name == "--thread-slack") {
            options.threadSlack = std::atoi(argv[i + 1]);
        } else if (name == "--hostile-seconds") {
            options.hostileSeconds = std::atoi(argv[i + 1]);
        } else if (name == "--idle-connections") {
            options.idleConnections = std::atoi(argv[i + 1]);
        } else if (name == "--open-files") {
            options.openFiles = std::atol(argv[i + 1]);
        } else {
            return false;
        }
    }
    return argc % 2 == 1 && !options.helper.empty() && options.seconds > 0 && options.rounds >= 0 &&
           options.hostileSeconds >= 0 && options.rounds + options.hostileSeconds > 0;
}

// A prefix whose control tool answers "status" at once and "start" after half a second. Files
// in the prefix switch "status" to a slow or a 16 MiB report (the tool gets no environment from
// the helper); every status run leaves a line in another. It also holds the fake pkcheck and a
// subordinate uid range (HostileLoad.h). Readable by every account, since the hostile clients
// reach the socket through it.
bool writeFakeInstallation(const std::filesystem::path& prefix) {
    const auto bin = prefix / "opt/tarvex/bin";
    std::error_code error;
    std::filesystem::create_directories(bin, error);
    std::filesystem::permissions(prefix, std::filesystem::perms(0755), error);
    const std::string dir = prefix.string() + "/";
    std::ofstream tool(bin / "tarvexctl");
    tool << "#!/bin/sh\n"
            "case \"$1\" in\n"
            "  status)\n"
         << "    [ -e '" << dir << SLOW_STATUS_SWITCH << "' ] && sleep 0.3\n"
         << "    echo run >> '" << dir << STATUS_RUNS_FILE << "'\n"
         << "    if [ -e '" << dir << BIG_STATUS_SWITCH << "' ]; then\n"
         << "      head -c " << BIG_STATUS_BYTES << " /dev/zero | tr '\\0' x; exit 0\n"
         << "    fi\n"
         << "    printf '"
         << "Launchd: loaded\\nProcess: running (pid 4242)\\nPort: 7420\\nPort: open\\n"
         << "' ;;\n"
            "  start) sleep 0.5; echo started ;;\n"
            "  *) echo \"unexpected: $*\"; exit 1 ;;\n"
            "esac\n";
    tool.close();
    std::ofstream pkcheck(prefix / FAKE_PKCHECK);
    pkcheck << "#!/bin/sh\necho \"$*\" >> '" << dir << CHECKS_STARTED_FILE << "'\n"
            << "[ -e '" << dir << HOLD_CHECKS_SWITCH << "' ] && read _ < '" << dir << CHECKS_FIFO
            << "'\nexit 2\n";
    pkcheck.close();
    std::filesystem::create_directories(prefix / "etc", error);
    std::ofstream(prefix / "etc/subuid")
        << SUBORDINATE_OWNER << ":" << FIRST_SUBORDINATE_UID << ":65536\n";
    return !error && tool && pkcheck && chmod((bin / "tarvexctl").c_str(), 0755) == 0 &&
           chmod((prefix / FAKE_PKCHECK).c_str(), 0755) == 0 &&
           mkfifo((prefix / CHECKS_FIFO).c_str(), 0600) == 0;
}

pid_t startHelper(const Options& options, const std::string& prefix, const std::string& socket) {
    std::vector<std::string> args = {options.helper, "--prefix", prefix, "--socket", socket};
    args.insert(args.end(), {"--pkcheck", prefix + "/" + FAKE_PKCHECK});
    if (options.openFiles > 0) {
        // The shell sets both limits, then becomes the helper (same pid).
        args.insert(args.begin(), {"/bin/sh", "-c", "ulimit -n \"$0\" && exec \"$@\"",
                                   std::to_string(options.openFiles)});
    }
    std::vector<char*> argv;
    for (auto& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) {
        return -1;
    }
    return pid;
}

bool waitUntilAnswering(const LoadClientConfig& config, pid_t pid) {
    LoadCounters ignored;
    const auto deadline = Clock::now() + std::chrono::seconds(10);
    while (Clock::now() < deadline && childIsRunning(pid)) {
        if (timeStatusRequest(config, ignored).count() >= 0) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

struct LoadResult {
    Latencies statusLatencies;
    ProcessSample peak;
};

LoadResult runLoad(const LoadClientConfig& config, LoadCounters& counters, pid_t pid, int seconds) {
    LoadResult result;
    std::atomic<bool> stop{false};
    std::vector<std::thread> clients;
    clients.emplace_back(runFaultyClient, std::cref(config), std::ref(counters), std::cref(stop));
    clients.emplace_back(runAbruptClient, std::cref(config), std::ref(counters), std::cref(stop));
    clients.emplace_back(runStalledClients, std::cref(config), std::ref(counters), std::cref(stop));
    for (int i = 0; i < config.slowClients; ++i) {
        clients.emplace_back(runSlowClient, std::cref(config), std::ref(counters), std::cref(stop));
    }
    clients.emplace_back(runStatusClient, std::cref(config), std::ref(counters), std::cref(stop),
                         std::ref(result.statusLatencies));
    const auto end = Clock::now() + std::chrono::seconds(seconds);
    while (Clock::now() < end) {
        const ProcessSample now = sampleProcess(pid);
        result.peak.descriptors = std::max(result.peak.descriptors, now.descriptors);
        result.peak.rssKiB = std::max(result.peak.rssKiB, now.rssKiB);
        result.peak.threads = std::max(result.peak.threads, now.threads);
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    stop = true;
    for (auto& client : clients) {
        client.join();
    }
    return result;
}

// Waits (at most 15 s: a connection thread may still be finishing a slow command) until the
// helper holds no more descriptors and threads than at the start.
ProcessSample settle(pid_t pid, const ProcessSample& baseline) {
    const auto deadline = Clock::now() + std::chrono::seconds(15);
    ProcessSample now = sampleProcess(pid);
    while (Clock::now() < deadline &&
           (now.descriptors > baseline.descriptors || now.threads > baseline.threads)) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        now = sampleProcess(pid);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    return sampleProcess(pid);
}

int stopHelper(pid_t pid) {
    kill(pid, SIGTERM);
    const auto deadline = Clock::now() + std::chrono::seconds(20);
    int status = 0;
    while (Clock::now() < deadline) {
        if (waitpid(pid, &status, WNOHANG) == pid) {
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
    return -1;
}

bool runRounds(const Options& options, const LoadClientConfig& config, pid_t pid);

int run(const Options& options) {
    char pattern[] = "/tmp/tarvex-load-XXXXXX";
    if (mkdtemp(pattern) == nullptr) {
        std::perror("mkdtemp");
        return 2;
    }
    const std::string prefix = pattern;
    LoadClientConfig config;
    config.socketPath = prefix + "/helper.socket";
    config.expectedStatusOutput = STATUS_REPORT;
    config.slowCommand = "start";
    if (!writeFakeInstallation(prefix)) {
        std::fprintf(stderr, "cannot lay out a fake installation in %s\n", prefix.c_str());
        return 2;
    }
    const pid_t pid = startHelper(options, prefix, config.socketPath);
    if (pid < 0 || !waitUntilAnswering(config, pid)) {
        std::fprintf(stderr, "the helper (%s) did not start answering\n", options.helper.c_str());
        if (pid > 0) {
            stopHelper(pid);
        }
        std::filesystem::remove_all(prefix);
        return 2;
    }

    bool passed = true;
    if (options.rounds > 0) {
        passed &= runRounds(options, config, pid);
    }
    if (options.hostileSeconds > 0) {
        HostileSizes sizes;
        sizes.seconds = options.hostileSeconds;
        sizes.idleConnections = options.idleConnections;
        sizes.openFiles = options.openFiles;
        sizes.checkCosts = options.rssSlackKiB >= 0;
        passed &= runHostilePhases(config, pid, prefix, sizes);
    }
    LoadCounters counters;
    const bool alive = childIsRunning(pid);
    const bool answersAfter = alive && timeStatusRequest(config, counters).count() >= 0;
    const int exitStatus = stopHelper(pid);
    std::filesystem::remove_all(prefix);
    passed &= check(alive && answersAfter, "helper still answering, same pid");
    passed &= check(exitStatus == 0, "helper stopped cleanly on SIGTERM (exit status 0)");
    std::printf("helper load run: %s\n", passed ? "PASSED" : "FAILED");
    return passed ? 0 : 1;
}

// The rounds of faulty, abrupt, stalled and slow clients; answers whether every check held.
bool runRounds(const Options& options, const LoadClientConfig& config, pid_t pid) {
    LoadCounters idleCounters;
    Latencies idle;
    for (int i = 0; i < IDLE_SAMPLES; ++i) {
        const auto latency = timeStatusRequest(config, idleCounters);
        if (latency.count() >= 0) {
            idle.push_back(latency);
        }
    }
    const ProcessSample baseline = settle(pid, sampleProcess(pid));

    LoadCounters counters;
    Latencies underLoad;
    ProcessSample peak;
    std::vector<ProcessSample> afterRounds;
    const int perRound = std::max(1, options.seconds / options.rounds);
    for (int round = 0; round < options.rounds; ++round) {
        LoadResult load = runLoad(config, counters, pid, perRound);
        underLoad.insert(underLoad.end(), load.statusLatencies.begin(), load.statusLatencies.end());
        peak.descriptors = std::max(peak.descriptors, load.peak.descriptors);
        peak.threads = std::max(peak.threads, load.peak.threads);
        peak.rssKiB = std::max(peak.rssKiB, load.peak.rssKiB);
        afterRounds.push_back(settle(pid, baseline));
    }
    const ProcessSample& after = afterRounds.back();

    const double idleP50 = percentileMs(idle, 0.50);
    const double idleP99 = percentileMs(idle, 0.99);
    const double loadP50 = percentileMs(underLoad, 0.50);
    const double loadP99 = percentileMs(underLoad, 0.99);
    const double ratio = idleP99 > 0 ? loadP99 / idleP99 : -1;

    std::printf("helper load run: %d s in %d rounds against pid %d\n", options.seconds,
                options.rounds, static_cast<int>(pid));
    std::printf(
        "  requests: %ld (malformed %ld, refused %ld, abrupt disconnects %ld, slow %ld, "
        "status %ld); stalled clients dropped by the helper: %ld\n",
        counters.requestsSent(), counters.malformedSent.load(), counters.refusedSent.load(),
        counters.abruptDisconnects.load(), counters.slowCompleted.load(),
        counters.statusCompleted.load(), counters.stalledDropped.load());
    std::printf("  wrong answers: %ld, connect failures: %ld\n", counters.wrongAnswers.load(),
                counters.connectFailures.load());
    std::printf("  %-12s %10s %10s", "", "baseline", "peak");
    for (int round = 1; round <= options.rounds; ++round) {
        std::printf("  after #%-2d", round);
    }
    const auto row = [&](const char* name, long ProcessSample::*field) {
        std::printf("\n  %-12s %10ld %10ld", name, baseline.*field, peak.*field);
        for (const ProcessSample& sample : afterRounds) {
            std::printf(" %10ld", sample.*field);
        }
    };
    row("descriptors", &ProcessSample::descriptors);
    row("threads", &ProcessSample::threads);
    row("VmRSS KiB", &ProcessSample::rssKiB);
    std::printf("\n  status latency idle:       p50 %.3f ms  p99 %.3f ms  (%zu requests)\n",
                idleP50, idleP99, idle.size());
    std::printf("  status latency under load: p50 %.3f ms  p99 %.3f ms  (%zu requests)\n", loadP50,
                loadP99, underLoad.size());
    std::printf("  p99 under load / p99 idle: %.2f (limit %.0f)\n", ratio, MAX_LATENCY_RATIO);

    const bool descriptorsBack = std::all_of(
        afterRounds.begin(), afterRounds.end(),
        [&](const ProcessSample& sample) { return sample.descriptors == baseline.descriptors; });
    const bool threadsBack =
        std::all_of(afterRounds.begin(), afterRounds.end(), [&](const ProcessSample& sample) {
            return sample.threads >= baseline.threads &&
                   sample.threads <= baseline.threads + options.threadSlack;
        });
    const long rssGrowth = after.rssKiB - afterRounds.front().rssKiB;
    bool passed = true;
    passed &= check(counters.wrongAnswers == 0 && idleCounters.wrongAnswers == 0,
                    "every request answered as it should be");
    passed &= check(counters.malformedSent > 0 && counters.refusedSent > 0 &&
                        counters.abruptDisconnects > 0 && counters.slowCompleted > 0,
                    "every kind of load reached the helper");
    // Rounds longer than the helper's request time-out see every stalled client dropped.
    if (perRound > STALL_TIMEOUT_SECONDS) {
        passed &= check(counters.stalledDropped >= long{config.stalledClients} * options.rounds,
                        "stalled clients dropped by the helper, unanswered");
    }
    passed &= check(descriptorsBack, "descriptors back to baseline after every round");
    passed &= check(threadsBack, "threads back to baseline after every round");
    if (options.rssSlackKiB >= 0) {
        passed &= check(after.rssKiB <= baseline.rssKiB + options.rssSlackKiB,
                        "VmRSS back to baseline after the load (within --rss-slack-kib)");
        passed &= check(options.rounds < 2 || rssGrowth <= MAX_RSS_GROWTH_KIB,
                        "VmRSS not growing from round to round (a leak would)");
    } else {
        std::printf("  [skip] VmRSS checks (--rss-slack-kib none)\n");
    }
    return passed &
           check(ratio > 0 && ratio <= MAX_LATENCY_RATIO, "p99 under load <= 10 x idle p99");
}

}  // namespace
}  // namespace tarvex

int main(int argc, char** argv) {
    tarvex::Options options;
    if (!tarvex::parseOptions(argc, argv, options)) {
        std::fprintf(stderr,
                     "usage: tarvex_helper_load --helper PATH [--seconds N] [--rounds R] "
                     "[--rss-slack-kib K|none] [--hostile-seconds S] [--idle-connections C] "
                     "[--open-files N]\n");
        return 2;
    }
    signal(SIGPIPE, SIG_IGN);
    return tarvex::run(options);
}
