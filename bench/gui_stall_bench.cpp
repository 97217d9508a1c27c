// How long the monitor's event loop (its GUI thread) can stall while it talks to a helper that
// does not respond: one whose listen backlog is full (connections are never accepted) and one
// that accepts but never answers. A 5 ms timer ticks throughout; the longest gap between two
// ticks, beyond the interval, is the stall. Requests go out every 20 ms for a few seconds.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <string>

#include "monitor/privileged/HelperClient.h"
#include "shared/base/FixedPaths.h"
#include "tests/support/SilentListener.h"

namespace {

constexpr int TICK_MS = 5;
constexpr int REQUEST_EVERY_MS = 20;
constexpr int RUN_MS = 4000;

struct Result {
    double longestStallMs = 0;
    int sent = 0;
    int answered = 0;
};

Result measure(const std::string& socketPath, bool fullBacklog) {
    tarvex::testing::SilentListener listener(socketPath, fullBacklog);
    Result result;
    if (!listener.ready()) {
        result.longestStallMs = -1;
        return result;
    }
    tarvex::overrideHelperSocketPath(socketPath);

    QElapsedTimer clock;
    clock.start();
    qint64 lastTick = 0;
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        const double gapMs = static_cast<double>(now - lastTick) / 1e6 - TICK_MS;
        result.longestStallMs = std::max(result.longestStallMs, gapMs);
        lastTick = now;
    });
    QTimer sender;
    QObject::connect(&sender, &QTimer::timeout, [&] {
        ++result.sent;
        tarvex::runPrivileged("status", {}, [&](bool, std::string) { ++result.answered; });
    });
    lastTick = clock.nsecsElapsed();
    tick.start(TICK_MS);
    sender.start(REQUEST_EVERY_MS);
    QTimer::singleShot(RUN_MS, [] { QCoreApplication::exit(0); });
    QCoreApplication::exec();
    tick.stop();
    sender.stop();
    return result;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    if (!dir.isValid()) {
        std::fprintf(stderr, "gui_stall_bench: no temporary folder\n");
        return 1;
    }
    const std::string base = dir.path().toStdString();
    const Result full = measure(base + "/full.socket", true);
    const Result silent = measure(base + "/silent.socket", false);
    std::printf("GUI thread longest stall, helper backlog full: %.1f ms (%d sent, %d answered)\n",
                full.longestStallMs, full.sent, full.answered);
    std::printf("GUI thread longest stall, helper never answers: %.1f ms (%d sent, %d answered)\n",
                silent.longestStallMs, silent.sent, silent.answered);
    return full.longestStallMs < 0 || silent.longestStallMs < 0 ? 1 : 0;
}
