// Throughput of the two readers the monitor runs on every poll or alert: the status report
// parser and the key/value file reader (a real file read each time, as in production).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "monitor/host/Installation.h"
#include "monitor/status/TarvexStatus.h"

namespace {

const std::string TYPICAL_REPORT =
    "tarvex status\n"
    "Launchd: loaded\n"
    "Process: running (pid 4242)\n"
    "Port: 7420\n"
    "Port: open\n"
    "Data: /opt/tarvex/var/tarvex/data\n";

// A report padded with lines the parser must read and ignore, plus the keys it must act on.
std::string longReport(int lines) {
    std::string report;
    for (int i = 0; i < lines; ++i) {
        report += "note " + std::to_string(i) + ": nothing to see here, move along\r\n";
        if (i % 50 == 0) {
            report += "Process: running (pid " + std::to_string(1000 + i) + ")\r\n";
        }
    }
    return report + TYPICAL_REPORT;
}

void parseReport(benchmark::State& state, const std::string& report) {
    for (auto _ : state) {
        tarvex::TarvexStatus status = tarvex::TarvexStatus::parse(report);
        benchmark::DoNotOptimize(status);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(report.size()));
    state.SetItemsProcessed(state.iterations());
}

void BM_ParseTypicalStatusReport(benchmark::State& state) {
    parseReport(state, TYPICAL_REPORT);
}
BENCHMARK(BM_ParseTypicalStatusReport);

void BM_ParseLongStatusReport(benchmark::State& state) {
    parseReport(state, longReport(static_cast<int>(state.range(0))));
}
BENCHMARK(BM_ParseLongStatusReport)->Arg(1000);

// A configuration file in the temp folder, removed when the benchmark ends.
class KeyValueFile {
public:
    explicit KeyValueFile(const std::string& content) {
        const char* tmp = std::getenv("TMPDIR");
        path_ = std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/tarvex-bench-" +
                std::to_string(static_cast<long>(getpid())) + ".cnf";
        std::ofstream(path_, std::ios::binary) << content;
    }
    ~KeyValueFile() { std::remove(path_.c_str()); }
    KeyValueFile(const KeyValueFile&) = delete;
    KeyValueFile& operator=(const KeyValueFile&) = delete;
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

void lookUp(benchmark::State& state, const std::string& content) {
    const KeyValueFile file(content);
    for (auto _ : state) {
        std::string value = tarvex::readKeyValue(file.path(), "base-dir", "/fallback");
        benchmark::DoNotOptimize(value);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(content.size()));
    state.SetItemsProcessed(state.iterations());
}

void BM_ReadKeyValueTypicalConfig(benchmark::State& state) {
    lookUp(state,
           "# tarvex configuration\n[tarvexd]\nport = 7420\n"
           "base-dir = /opt/tarvex/var/tarvex/data\n");
}
BENCHMARK(BM_ReadKeyValueTypicalConfig);

// The key on the last of many lines: the whole file is scanned.
void BM_ReadKeyValueLongConfig(benchmark::State& state) {
    std::string content;
    for (int i = 0; i < state.range(0); ++i) {
        content += "\toption-" + std::to_string(i) + " = value with\u00a0blanks ; not a comment\n";
    }
    lookUp(state, content + "base-dir = /srv/tarvex\n");
}
BENCHMARK(BM_ReadKeyValueLongConfig)->Arg(1000);

}  // namespace

BENCHMARK_MAIN();
