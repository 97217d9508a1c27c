#include <fstream>

#include "tests/monitor/controller/ControllerHarness.h"
#include "tests/support/MonitorProbes.h"

namespace tarvex::testing {
namespace {

class StartupFailureTest : public ControllerTest {
protected:
    // One answer per second, as the starting state polls.
    void answerEverySecond(const char* report, int seconds) {
        for (int i = 0; i < seconds; ++i) {
            clock.advance(1.0);
            pollAndAnswer(report);
        }
    }
};

TEST_F(StartupFailureTest, AlertOnTheFirstAnswerMoreThanThirtySecondsInThenStop) {
    std::filesystem::create_directories(readRuntimeBaseDir() + "/log");
    std::ofstream(readRuntimeBaseDir() + "/log/tarvex.log") << "crashed\n";
    launch();
    answerStatus(true, STARTING_REPORT);  // t = 0: the watch starts
    answerEverySecond(STARTING_REPORT, 30);
    EXPECT_TRUE(alerts.shown.empty()) << "thirty seconds is not yet more than thirty";

    QObject scope;
    int displayChanges = 0;
    QObject::connect(&app->model(), &StatusModel::changed, &scope, [&] { ++displayChanges; });
    alerts.onShow = [&](const AlertSpec&) { EXPECT_EQ(displayChanges, 0) << "the alert first"; };
    answerEverySecond(STARTING_REPORT, 1);
    ASSERT_EQ(alerts.shown.size(), 1u);
    const AlertSpec& alert = alerts.shown.front();
    EXPECT_EQ(alert.message, "tarvex Failed to Start");
    EXPECT_EQ(alert.informativeText.toStdString(),
              "The service has not started after 30 seconds. The process may be crashing on "
              "startup.\n\n" +
                  logDetailsText());
    EXPECT_EQ(alert.details,
              "Of the log files above, these do not exist: launchd.out.log, "
              "launchd.err.log.");
    EXPECT_EQ(alert.style, AlertStyle::critical);
    EXPECT_EQ(alert.buttons, (QStringList{"Stop Service", "View Logs and Stop"}));
    EXPECT_EQ(appHost.activations, 1);
    EXPECT_TRUE(terminal.opened.empty()) << "\"Stop Service\" opens no logs";

    ASSERT_EQ(runner.pendingCommands(), std::vector<std::string>{"stop"});
    EXPECT_TRUE(authorizer.prompts.empty()) << "the stop asks for no password";
    EXPECT_TRUE(app->model().operationInProgress()) << "locked: the helper may ask for one";
    EXPECT_EQ(menuText(statusMenuItem(*app)), "tarvex: Stopping\u2026");
    EXPECT_FALSE(statusTimer(*app)->isActive()) << "no poll while the stop runs";

    runner.answerNext(false, "whatever");
    EXPECT_EQ(runner.pendingCommands(), std::vector<std::string>{"status"})
        << "the stop's answer asks for a fresh status";
    EXPECT_EQ(alerts.shown.size(), 1u) << "no result alert for the stop";

    answerStatus(true, STARTING_REPORT);
    answerEverySecond(STARTING_REPORT, 40);
    EXPECT_EQ(alerts.shown.size(), 1u) << "at most once per start-up";
}

TEST_F(StartupFailureTest, ViewLogsAndStopOpensTheLogsBeforeStopping) {
    alerts.answers = {1};
    std::size_t logsOpenedBeforeStop = 0;
    runner.onRun = [&](const std::string& command) {
        if (command == "stop") {
            logsOpenedBeforeStop = terminal.opened.size();
        }
    };
    launch();
    answerStatus(true, STARTING_REPORT);
    answerEverySecond(STARTING_REPORT, 31);
    ASSERT_EQ(alerts.shown.size(), 1u);
    EXPECT_EQ(runner.pendingCommands(), std::vector<std::string>{"stop"});
    EXPECT_EQ(logsOpenedBeforeStop, 1u);
}

TEST_F(StartupFailureTest, AnAlertGoneWithoutAnAnswerStopsNothing) {
    alerts.answers = {NO_ANSWER};  // e.g. the session is logging out and the application quits
    launch();
    answerStatus(true, STARTING_REPORT);
    answerEverySecond(STARTING_REPORT, 31);
    ASSERT_EQ(alerts.shown.size(), 1u);
    EXPECT_TRUE(terminal.opened.empty());
    EXPECT_EQ(runner.pendingCommands(), std::vector<std::string>{})
        << "no stop request and no status request is in flight";
    EXPECT_TRUE(statusTimer(*app)->isActive()) << "the answer is still applied";
}

TEST_F(StartupFailureTest, ProcessSeenRunningRestartsTheThirtySeconds) {
    launch();
    answerStatus(true, STARTING_REPORT);
    answerEverySecond(STARTING_REPORT, 20);
    answerEverySecond(STARTING_WITH_PROCESS_REPORT, 1);  // t = 21
    answerEverySecond(STARTING_REPORT, 30);              // t = 51: 30 s since
    EXPECT_TRUE(alerts.shown.empty());
    answerEverySecond(STARTING_REPORT, 1);
    EXPECT_EQ(alerts.shown.size(), 1u);
}

TEST_F(StartupFailureTest, ProcessRunningWithAClosedPortNeverAlerts) {
    launch();
    answerStatus(true, STARTING_WITH_PROCESS_REPORT);
    answerEverySecond(STARTING_WITH_PROCESS_REPORT, 120);
    EXPECT_TRUE(alerts.shown.empty());
}

TEST_F(StartupFailureTest, WatchIsOffWhileAnOperationRunsOrOnceActive) {
    launch();
    answerStatus(true, STARTING_REPORT);
    answerEverySecond(STARTING_REPORT, 20);
    pollAndAnswer(ACTIVE_REPORT);
    answerEverySecond(STARTING_REPORT, 25);
    EXPECT_TRUE(alerts.shown.empty()) << "the count started over after the active answer";

    app->model().setOperationInProgress(true);
    answerEverySecond(STARTING_REPORT, 40);
    EXPECT_TRUE(alerts.shown.empty());
    app->model().setOperationInProgress(false);
    answerEverySecond(STARTING_REPORT, 25);
    EXPECT_TRUE(alerts.shown.empty()) << "the count started over when the operation ended";
}

}  // namespace
}  // namespace tarvex::testing
