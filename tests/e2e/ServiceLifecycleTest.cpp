// Start, stop, a start that never comes up and a failing start, each through the real helper
// and the simulated tool.

#include <QAction>

#include "monitor/host/Installation.h"
#include "tests/e2e/EndToEndHarness.h"
#include "tests/support/MonitorProbes.h"

namespace tarvex::testing {
namespace {

constexpr const char* STARTING_LINE = "tarvex: Starting\u2026";

class ServiceLifecycleTest : public EndToEndTest {
protected:
    ServiceState state() const { return app->model().status().state(); }
    int pollInterval() const { return statusTimer(*app)->interval(); }

    // Runs a locked operation and waits until its answer and the status refresh after it.
    void operate(void (ServiceCommands::*action)()) {
        (commands(*app).*action)();
        ASSERT_TRUE(waitUntilIdle());
        ASSERT_FALSE(app->model().operationInProgress());
    }
};

TEST_F(ServiceLifecycleTest, StartAndStopWalkThroughEveryStateByRealPolls) {
    launch();
    EXPECT_EQ(state(), ServiceState::stopped);
    EXPECT_EQ(app->model().status().port, "7420");
    EXPECT_EQ(pollInterval(), 10000);
    EXPECT_TRUE(app->action(Command::start)->isEnabled());

    commands(*app).startService();
    // Locked while the helper works.
    EXPECT_TRUE(app->model().operationInProgress());
    EXPECT_EQ(statusLine(), STARTING_LINE);
    EXPECT_FALSE(statusTimer(*app)->isActive());
    EXPECT_FALSE(app->action(Command::start)->isEnabled());
    ASSERT_TRUE(waitUntilIdle());
    EXPECT_FALSE(app->model().operationInProgress());
    EXPECT_EQ(state(), ServiceState::starting);
    EXPECT_FALSE(app->model().status().processRunning);
    EXPECT_EQ(statusLine(), STARTING_LINE);
    EXPECT_EQ(pollInterval(), 1000);

    advanceToolClock(1000);  // the process is up, the port not yet
    poll();
    EXPECT_EQ(state(), ServiceState::starting);
    EXPECT_TRUE(app->model().status().processRunning);
    EXPECT_FALSE(app->model().status().pid.empty());

    advanceToolClock(2000);
    poll();
    ASSERT_EQ(state(), ServiceState::active);
    EXPECT_EQ(statusLine(), "tarvex: Active (PID " + app->model().status().pid + ")");
    EXPECT_EQ(pollInterval(), 10000);
    EXPECT_TRUE(app->action(Command::stop)->isEnabled());
    EXPECT_FALSE(app->action(Command::start)->isEnabled());

    operate(&ServiceCommands::stopService);
    EXPECT_EQ(state(), ServiceState::stopping);
    EXPECT_EQ(pollInterval(), 1000);

    advanceToolClock(2000);
    poll();
    EXPECT_EQ(state(), ServiceState::stopped);
    EXPECT_EQ(statusLine(), "tarvex: Stopped");
    EXPECT_EQ(pollInterval(), 10000);
    EXPECT_TRUE(app->action(Command::start)->isEnabled());

    EXPECT_EQ(authorizer.prompts.size(), 2u);
    EXPECT_TRUE(alerts.shown.empty());
    for (const auto& exchange : runner.answersTo("status")) {
        EXPECT_TRUE(exchange.success) << exchange.output;
    }
    EXPECT_TRUE(runner.answersTo("start").at(0).success);
    EXPECT_TRUE(runner.answersTo("stop").at(0).success);
}

TEST_F(ServiceLifecycleTest, AStartThatNeverRunsRaisesTheFailureAlertAndIsStopped) {
    addFault("start-never-runs");
    launch();
    operate(&ServiceCommands::startService);
    ASSERT_EQ(state(), ServiceState::starting);

    clock.advance(29.0);
    poll();
    EXPECT_TRUE(alerts.shown.empty()) << "raised before 30 seconds";

    clock.advance(2.0);
    poll();
    ASSERT_EQ(alerts.shown.size(), 1u);
    const AlertSpec& alert = alerts.shown[0];
    EXPECT_EQ(alert.message, "tarvex Failed to Start");
    EXPECT_EQ(alert.style, AlertStyle::critical);
    EXPECT_EQ(alert.buttons, (QStringList{"Stop Service", "View Logs and Stop"}));
    EXPECT_TRUE(alert.informativeText.contains(QString::fromStdString(logDetailsText())));
    EXPECT_GE(appHost.activations, 1);

    // The alert's stop went through the helper without a password, and the refresh after it
    // found the service stopped.
    ASSERT_TRUE(waitUntil([this] { return state() == ServiceState::stopped; }));
    ASSERT_TRUE(waitUntilIdle());
    ASSERT_EQ(runner.answersTo("stop").size(), 1u);
    EXPECT_TRUE(runner.answersTo("stop")[0].success);
    EXPECT_EQ(authorizer.prompts.size(), 1u);  // the start's only
    EXPECT_EQ(askHelper("status").output.find("Launchd: loaded"), std::string::npos);

    clock.advance(60.0);
    poll();
    EXPECT_EQ(alerts.shown.size(), 1u);
    EXPECT_TRUE(terminal.opened.empty());
}

TEST_F(ServiceLifecycleTest, AFailedStartShowsStartFailedWithTheLogDetails) {
    addFault("fail start");
    launch();
    operate(&ServiceCommands::startService);

    ASSERT_EQ(alerts.shown.size(), 1u);
    EXPECT_EQ(alerts.shown[0].message, "Start Failed");
    EXPECT_EQ(alerts.shown[0].informativeText.toStdString(), logDetailsText());
    EXPECT_EQ(alerts.shown[0].style, AlertStyle::critical);
    // The tool's own words stay out of the alert; they went to the log the alert points at.
    const auto starts = runner.answersTo("start");
    ASSERT_EQ(starts.size(), 1u);
    EXPECT_FALSE(starts[0].success);
    EXPECT_NE(starts[0].output.find("simulated fault"), std::string::npos);
    EXPECT_FALSE(alerts.shown[0].informativeText.contains("simulated"));

    // Unlocked again, and the refresh after the failure shows the service as it is.
    EXPECT_EQ(state(), ServiceState::stopped);
    EXPECT_EQ(statusLine(), "tarvex: Stopped");
    EXPECT_TRUE(app->action(Command::start)->isEnabled());
    EXPECT_TRUE(statusTimer(*app)->isActive());
}

TEST_F(ServiceLifecycleTest, PollingSurvivesTheHelperGoingAwayAndComingBack) {
    launch();
    stopHelper();
    poll();
    EXPECT_EQ(app->model().status(), TarvexStatus{});
    EXPECT_EQ(portMenuItem(*app)->text().toStdString(), "Port: --");

    commands(*app).startService();
    ASSERT_TRUE(waitUntilIdle());
    ASSERT_EQ(alerts.shown.size(), 1u);
    EXPECT_EQ(alerts.shown[0].message, "Start Failed");
    EXPECT_FALSE(app->model().operationInProgress());

    ASSERT_TRUE(startHelper()) << helper_.errors();
    poll();
    EXPECT_EQ(portMenuItem(*app)->text().toStdString(), "Port: 7420");
    EXPECT_EQ(state(), ServiceState::stopped);
}

}  // namespace
}  // namespace tarvex::testing
