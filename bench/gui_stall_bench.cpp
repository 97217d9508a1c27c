// How long the monitor's event loop (its GUI thread) can stall while it waits on the helper:
// one whose listen backlog is full (connections are never accepted), one that accepts but
// never answers, and one that holds the reply to Start for 20 s, as the real helper does while
// the desktop's password dialog for its polkit check is up. A 5 ms timer ticks throughout; the
// longest gap between two ticks, beyond the interval, is the stall. In the first two, requests
// go out every 20 ms for a few seconds; in the third, the real controller presses Start.

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "monitor/controller/TarvexMenuBarApp.h"
#include "monitor/privileged/AdminAuthorization.h"
#include "monitor/privileged/HelperClient.h"
#include "shared/base/FixedPaths.h"
#include "tests/monitor/privileged/FakeHelperServer.h"
#include "tests/support/FakeSeams.h"
#include "tests/support/SilentListener.h"

namespace {

constexpr int TICK_MS = 5;
constexpr int REQUEST_EVERY_MS = 20;
constexpr int RUN_MS = 4000;
constexpr auto PASSWORD_HELD = std::chrono::seconds(20);

struct Result {
    double longestStallMs = 0;
    int sent = 0;
    int answered = 0;
};

// Runs the event loop until `done` says so or `limitMs` have passed, with `work` started on its
// first turn; answers the longest gap between two ticks beyond the tick interval.
double longestStall(const std::function<void()>& work, const std::function<bool()>& done,
                    int limitMs) {
    QElapsedTimer clock;
    clock.start();
    qint64 lastTick = clock.nsecsElapsed();
    double longest = 0;
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        longest = std::max(longest, static_cast<double>(now - lastTick) / 1e6 - TICK_MS);
        lastTick = now;
        if (done() || clock.elapsed() > limitMs) {
            QCoreApplication::exit(0);
        }
    });
    tick.start(TICK_MS);
    QTimer::singleShot(0, work);
    QCoreApplication::exec();
    return longest;
}

Result measure(const std::string& socketPath, bool fullBacklog) {
    tarvex::testing::SilentListener listener(socketPath, fullBacklog);
    Result result;
    if (!listener.ready()) {
        result.longestStallMs = -1;
        return result;
    }
    tarvex::overrideHelperSocketPath(socketPath);
    // Requests still open at the end are answered later, in the next measurement's loop: the
    // count they add to must outlive this one.
    const auto answered = std::make_shared<int>(0);
    QTimer sender;
    tarvex::HelperRunner runner;
    QObject::connect(&sender, &QTimer::timeout, [&result, &runner, answered] {
        ++result.sent;
        runner.runPrivileged(QStringLiteral("status"),
                             [answered](const tarvex::HelperAnswer&) { ++*answered; });
    });
    result.longestStallMs =
        longestStall([&] { sender.start(REQUEST_EVERY_MS); }, [] { return false; }, RUN_MS);
    result.answered = *answered;
    return result;
}

// Start pressed in the real controller, with the real helper client and the platform's own
// authorizer; the helper answers status at once and Start only after the password wait.
Result measurePasswordHeld(const std::string& socketPath) {
    using tarvex::HelperReply;
    tarvex::testing::FakeHelperServer helper(
        socketPath, [](const tarvex::HelperRequest& request) -> std::optional<HelperReply> {
            if (request.command == "status") {
                return HelperReply{true,
                                   "Port: 4406\nPort status: open\nProcess: running "
                                   "(pid 321)\nlaunchd: loaded\n"};
            }
            std::this_thread::sleep_for(PASSWORD_HELD);
            return HelperReply{false, "Not authorized: " + request.command + " (dismissed)"};
        });
    Result result;
    if (!helper.listening()) {
        result.longestStallMs = -1;
        return result;
    }
    tarvex::overrideHelperSocketPath(socketPath);
    tarvex::HelperRunner runner;
    const std::unique_ptr<tarvex::Authorizer> authorizer = tarvex::makePlatformAuthorizer();
    tarvex::testing::FakeDesktop desktop;
    tarvex::MonitorSeams seams = desktop.seamsWith(runner);
    tarvex::TarvexMenuBarApp controller(tarvex::MonitorSeams{
        runner, *authorizer, seams.alerts, seams.saveDialog, seams.terminal, seams.fileViewer,
        seams.clock, seams.bundle, seams.app, seams.notifier, seams.loginItem});
    controller.applicationDidFinishLaunching(tarvex::LaunchMode::background);
    bool started = false;
    result.longestStallMs = longestStall(
        [&] {
            // Once the first status has arrived, as a user would see it before pressing Start.
            QTimer::singleShot(500, [&] {
                controller.findChild<tarvex::ServiceCommands*>()->startService();
                started = controller.model().operationInProgress();
                result.sent = started ? 1 : 0;
            });
        },
        [&] { return started && !controller.model().operationInProgress(); },
        static_cast<int>(std::chrono::milliseconds(PASSWORD_HELD).count()) + 5000);
    result.answered = started && !controller.model().operationInProgress() ? 1 : 0;
    if (result.answered == 0 || !desktop.alerts.shown.empty()) {
        result.longestStallMs = -1;  // the dismissed Start must end, silently
    }
    return result;
}

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    QTemporaryDir dir;
    if (!dir.isValid()) {
        std::fprintf(stderr, "gui_stall_bench: no temporary folder\n");
        return 1;
    }
    const std::string base = dir.path().toStdString();
    const Result full = measure(base + "/full.socket", true);
    const Result silent = measure(base + "/silent.socket", false);
    const Result password = measurePasswordHeld(base + "/password.socket");
    std::printf("GUI thread longest stall, helper backlog full: %.1f ms (%d sent, %d answered)\n",
                full.longestStallMs, full.sent, full.answered);
    std::printf("GUI thread longest stall, helper never answers: %.1f ms (%d sent, %d answered)\n",
                silent.longestStallMs, silent.sent, silent.answered);
    std::printf(
        "GUI thread longest stall, password dialog held 20 s: %.1f ms (%d sent, %d "
        "answered)\n",
        password.longestStallMs, password.sent, password.answered);
    return full.longestStallMs < 0 || silent.longestStallMs < 0 || password.longestStallMs < 0 ? 1
                                                                                               : 0;
}
