// Measures the root helper as it runs: the cost of a request through it compared with running
// the tool directly, how long 32 concurrent one-second requests take, and its resident memory.
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "shared/base/ProcessRunner.h"
#include "tests/support/HelperSocket.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int LATENCY_ROUNDS = 300;
constexpr int CONCURRENT_REQUESTS = 32;

double millisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// VmRSS of a process in KiB, or -1.
long residentKiB(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::strtol(line.c_str() + 6, nullptr, 10);
        }
    }
    return -1;
}

bool askHelper(const std::string& socketPath, const std::string& command) {
    std::string error;
    const int fd = tarvex::connectToHelper(socketPath, error);
    if (fd < 0) {
        return false;
    }
    const tarvex::HelperExchange exchange = tarvex::exchangeWithHelper(fd, {command, {}}, 30000);
    return exchange.replied && exchange.reply.success;
}

// The helper's own cost: a refused command answers without starting anything.
double refusedRoundTripMs(const std::string& socketPath) {
    std::vector<double> times;
    for (int i = 0; i < LATENCY_ROUNDS; ++i) {
        const auto start = Clock::now();
        askHelper(socketPath, "refused");
        times.push_back(millisecondsSince(start));
    }
    return median(times);
}

void report(const char* what, double value, const char* unit, const char* target, bool met) {
    std::printf("%-44s %10.3f %-4s target %-10s %s\n", what, value, unit, target,
                met ? "met" : "MISSED");
}

}  // namespace

int main() {
    char pattern[] = "/tmp/tarvex-helper-bench.XXXXXX";
    if (mkdtemp(pattern) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::string prefix = pattern;
    const std::string tool = prefix + "/opt/tarvex/bin/tarvexctl";
    const std::string socketPath = prefix + "/helper.socket";
    std::filesystem::create_directories(prefix + "/opt/tarvex/bin");
    std::ofstream(tool) << "#!/bin/sh\n"
                           "case \"$1\" in\n"
                           "  status) printf 'port: 47311\\nprocess: running (pid 4242)\\n"
                           "launchd: loaded\\n' ;;\n"
                           "  *) sleep 1 ;;\n"
                           "esac\n";
    chmod(tool.c_str(), 0755);

    const pid_t helper = fork();
    if (helper == 0) {
        execl(TARVEX_HELPER_BINARY, TARVEX_HELPER_BINARY, "--prefix", prefix.c_str(), "--socket",
              socketPath.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    bool up = false;
    for (int i = 0; i < 2000 && !up; ++i) {
        std::string error;
        const int fd = tarvex::connectToHelper(socketPath, error);
        if (fd >= 0) {
            close(fd);
            up = true;
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
    if (!up) {
        std::fprintf(stderr, "the helper did not start\n");
        kill(helper, SIGKILL);
        waitpid(helper, nullptr, 0);
        return 1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));  // let it settle before measuring
    const long idleKiB = residentKiB(helper);

    // Alternate the two so that drift in machine load affects both alike.
    std::vector<double> direct;
    std::vector<double> throughHelper;
    for (int i = 0; i < LATENCY_ROUNDS; ++i) {
        auto start = Clock::now();
        tarvex::runProcess({tool, "status"});
        direct.push_back(millisecondsSince(start));
        start = Clock::now();
        if (!askHelper(socketPath, "status")) {
            std::fprintf(stderr, "a status request failed\n");
        }
        throughHelper.push_back(millisecondsSince(start));
    }
    const double directMs = median(direct);
    const double refusedMs = refusedRoundTripMs(socketPath);
    const double helperMs = median(throughHelper);

    const auto concurrentStart = Clock::now();
    std::vector<std::thread> clients;
    int failures = 0;
    std::vector<char> ok(CONCURRENT_REQUESTS, 0);
    for (int i = 0; i < CONCURRENT_REQUESTS; ++i) {
        clients.emplace_back([&, i] { ok[i] = askHelper(socketPath, "start") ? 1 : 0; });
    }
    for (auto& client : clients) {
        client.join();
    }
    const double concurrentS = millisecondsSince(concurrentStart) / 1000.0;
    failures = static_cast<int>(std::count(ok.begin(), ok.end(), 0));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const long afterKiB = residentKiB(helper);

    kill(helper, SIGTERM);
    int status = 0;
    waitpid(helper, &status, 0);
    std::filesystem::remove_all(prefix);

    std::printf("tarvex-helper (%d status rounds, %d concurrent requests, %d failed)\n",
                LATENCY_ROUNDS, CONCURRENT_REQUESTS, failures);
    std::printf("  status, tool run directly: median %.3f ms\n", directMs);
    std::printf("  status, through the helper: median %.3f ms\n", helperMs);
    std::printf("  refused command (no tool run): median %.3f ms\n", refusedMs);
    report("status through helper / direct (ratio)", helperMs / directMs, "", "<= 1.2",
           helperMs / directMs <= 1.2);
    report("32 concurrent one-second requests", concurrentS, "s", "<= 1.3 s",
           concurrentS <= 1.3 && failures == 0);
    report("resident memory idle after start", idleKiB / 1024.0, "MiB", "<= 4 MiB",
           idleKiB >= 0 && idleKiB <= 4096);
    report("resident memory after the runs", afterKiB / 1024.0, "MiB", "(reported)", true);
    std::printf("  helper exit status after SIGTERM: %d\n",
                WIFEXITED(status) ? WEXITSTATUS(status) : -1);
    return 0;
}
