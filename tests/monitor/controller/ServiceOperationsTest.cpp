#include <array>
#include <tuple>

#include "monitor/ui/HelperReachability.h"
#include "tests/monitor/controller/ControllerHarness.h"
#include "tests/support/MonitorProbes.h"

namespace tarvex::testing {
namespace {

// The lock shows as Settings being offered or not: the other commands follow the model's rules.
bool lockedOut(const TarvexMenuBarApp& app) {
    return !app.action(Command::settings)->isEnabled();
}

class ServiceOperationsTest : public ControllerTest {
protected:
    void SetUp() override {
        ControllerTest::SetUp();
        launchAnswered();
        ASSERT_EQ(app->model().status().state(), ServiceState::active);
        ASSERT_FALSE(lockedOut(*app));
    }
};

struct LockedCase {
    void (ServiceCommands::*action)();
    const char* prompt;
    const char* statusLine;
    const char* command;
    const char* failureTitle;
};

const LockedCase kLockedCases[] = {
    {&ServiceCommands::startService,
     "tarvex Monitor needs your password to start the database service.", "tarvex: Starting…",
     "start", "Start Failed"},
    {&ServiceCommands::stopService,
     "tarvex Monitor needs your password to stop the database service.", "tarvex: Stopping…",
     "stop", "Stop Failed"},
    {&ServiceCommands::restartService,
     "tarvex Monitor needs your password to restart the database service.", "tarvex: Restarting…",
     "restart", "Restart Failed"},
};

TEST_F(ServiceOperationsTest, StartStopAndRestartLockEverythingUntilTheReply) {
    for (const LockedCase& op : kLockedCases) {
        SCOPED_TRACE(op.command);
        authorizer.prompts.clear();
        const qint64 iconBefore = iconKey();
        ASSERT_TRUE(statusTimer(*app)->isActive());

        (commands(*app).*op.action)();
        EXPECT_EQ(authorizer.prompts, std::vector<std::string>{op.prompt});
        EXPECT_TRUE(app->model().operationInProgress());
        EXPECT_FALSE(statusTimer(*app)->isActive());
        EXPECT_NE(iconKey(), iconBefore);
        EXPECT_EQ(statusLine(), QString::fromUtf8(op.statusLine));
        EXPECT_TRUE(lockedOut(*app));
        ASSERT_EQ(runner.pendingCommands(), std::vector<std::string>{op.command});

        runner.answerNext(true, "fine");
        EXPECT_FALSE(app->model().operationInProgress());
        EXPECT_TRUE(alerts.shown.empty());
        answerStatus(true);  // the operation ends with a fresh status request
        EXPECT_FALSE(lockedOut(*app));
        EXPECT_TRUE(statusTimer(*app)->isActive());
    }
}

TEST_F(ServiceOperationsTest, AFailedReplyPointsToTheLogsAndSaysWhyWhileTheStateShows) {
    // What failed: the tool, which says why on its last line, or the way to the helper.
    const std::tuple<std::string, HelperFault, QString> replies[] = {
        {"checking\ntarvexctl: data folder /d is missing (run initialize)\n", HelperFault::none,
         QStringLiteral("tarvexctl: data folder /d is missing (run initialize)")},
        {"Cannot connect to helper service", HelperFault::noSocket,
         HelperReachability::problem(HelperFault::noSocket)},
    };
    alerts.onShow = [this](const AlertSpec&) {
        EXPECT_EQ(app->model().iconState(), ShownState::active) << "the state, not the operation";
    };
    for (const LockedCase& op : kLockedCases) {
        for (const auto& [output, fault, reason] : replies) {
            SCOPED_TRACE(std::string(op.command) + ": " + output);
            alerts.shown.clear();
            notifier.sent.clear();
            (commands(*app).*op.action)();
            runner.answerNext(false, output, fault);
            EXPECT_FALSE(app->model().operationInProgress());
            ASSERT_EQ(alerts.shown.size(), 1u);
            const AlertSpec& alert = alerts.shown[0];
            EXPECT_EQ(alert.message, op.failureTitle);
            EXPECT_EQ(alert.informativeText.toStdString(), logDetailsText());
            EXPECT_EQ(alert.style, AlertStyle::critical);
            EXPECT_TRUE(alert.buttons.empty());
            EXPECT_TRUE(alert.details.contains(reason));
            // The data folder is missing here: the way to make it, where the command needs it.
            EXPECT_EQ(alert.details.contains("choose Initialize Database"),
                      std::string_view(op.command) != "stop");
            ASSERT_EQ(notifier.sent.size(), 1u);
            EXPECT_NE(notifier.sent[0].body.find(reason.toStdString()), std::string::npos);
            answerStatus(true);
        }
    }
}

TEST_F(ServiceOperationsTest, ASecondOperationWhileOneRunsIsDroppedWithoutAPrompt) {
    commands(*app).startService();
    ASSERT_EQ(authorizer.prompts.size(), 1u);
    commands(*app).stopService();
    commands(*app).restartService();
    commands(*app).startService();
    commands(*app).setupService();
    EXPECT_EQ(authorizer.prompts.size(), 1u);
    EXPECT_TRUE(alerts.shown.empty());
    EXPECT_EQ(runner.pendingCommands(), std::vector<std::string>{"start"});
    EXPECT_EQ(statusLine(), QString::fromUtf8("tarvex: Starting…"));
}

TEST_F(ServiceOperationsTest, UninstallProceedsWhileAStartRuns) {
    commands(*app).startService();
    alerts.answers = {1};
    commands(*app).uninstallService();
    ASSERT_EQ(alerts.shown.size(), 1u);
    EXPECT_EQ(alerts.shown[0].message, "Uninstall tarvex?");
    EXPECT_EQ(authorizer.prompts.back(),
              "tarvex Monitor needs your password to uninstall tarvex and remove all data.");
    EXPECT_EQ(runner.pendingCommands(), (std::vector<std::string>{"start", "uninstall"}));
}

TEST_F(ServiceOperationsTest, ADeclinedPasswordChangesNothing) {
    authorizer.grant = false;
    const qint64 iconBefore = iconKey();
    const QString lineBefore = statusLine();
    for (const LockedCase& op : kLockedCases) {
        (commands(*app).*op.action)();
    }
    alerts.answers = {1, 1};
    commands(*app).setupService();
    commands(*app).uninstallService();
    EXPECT_EQ(authorizer.prompts.size(), 5u);
    EXPECT_FALSE(app->model().operationInProgress());
    EXPECT_EQ(iconKey(), iconBefore);
    EXPECT_EQ(statusLine(), lineBefore);
    EXPECT_FALSE(lockedOut(*app));
    EXPECT_TRUE(statusTimer(*app)->isActive());
    EXPECT_TRUE(runner.requests.empty());
}

TEST_F(ServiceOperationsTest, ADeclinedConfirmationAsksNoPasswordAndSendsNothing) {
    alerts.answers = {0, 0};  // "Cancel", also what Return picks
    const qint64 iconBefore = iconKey();
    commands(*app).setupService();
    commands(*app).uninstallService();
    EXPECT_EQ(alerts.shown.size(), 2u);
    EXPECT_TRUE(authorizer.prompts.empty());
    EXPECT_TRUE(runner.requests.empty());
    EXPECT_FALSE(app->model().operationInProgress());
    EXPECT_EQ(iconKey(), iconBefore);
    EXPECT_TRUE(statusTimer(*app)->isActive());
}

TEST_F(ServiceOperationsTest, TheConfirmationIsCriticalWithCancelFirstAndBringsTheAppForward) {
    alerts.onShow = [this](const AlertSpec&) { EXPECT_GE(appHost.activations, 1); };
    EXPECT_FALSE(commands(*app).confirmAction("Really?", "Details"));
    alerts.answers = {1};
    EXPECT_TRUE(commands(*app).confirmAction("Really?", "Details"));
    const AlertSpec& alert = alerts.shown[0];
    EXPECT_EQ(alert.message, "Really?");
    EXPECT_EQ(alert.informativeText, "Details");
    EXPECT_EQ(alert.style, AlertStyle::critical);
    EXPECT_EQ(alert.buttons, (QStringList{"Cancel", "Confirm"}));
}

TEST_F(ServiceOperationsTest, InitializeKeepsPollingAndEndsWithItsResultAlert) {
    alerts.answers = {1};
    const QString lineBefore = statusLine();
    const qint64 iconBefore = iconKey();
    commands(*app).setupService();

    const AlertSpec& confirm = alerts.shown.at(0);
    EXPECT_EQ(confirm.message, "Initialize Database?");
    EXPECT_EQ(confirm.informativeText,
              "This will erase all database data and bootstrap a fresh instance.\nConfiguration "
              "and plugins will be preserved.\n\nThis cannot be undone.");
    EXPECT_EQ(authorizer.prompts,
              std::vector<std::string>{"tarvex Monitor needs your password to initialize the "
                                       "database. All current data will be erased."});
    EXPECT_TRUE(app->model().operationInProgress());
    EXPECT_NE(iconKey(), iconBefore);
    EXPECT_EQ(statusLine(), lineBefore);  // the status line is left to the status answers
    EXPECT_TRUE(statusTimer(*app)->isActive());
    EXPECT_EQ(runner.pendingCommands(), (std::vector<std::string>{"status", "initialize"}));

    answerStatus(true);  // applied locked while the initialization runs
    EXPECT_TRUE(lockedOut(*app));
    EXPECT_TRUE(statusTimer(*app)->isActive());

    runner.answerNext(true, "initialized");
    EXPECT_FALSE(app->model().operationInProgress());
    ASSERT_EQ(alerts.shown.size(), 2u);
    EXPECT_EQ(alerts.shown[1].message, "Initialize Database");
    EXPECT_EQ(alerts.shown[1].informativeText, "Done.");
    EXPECT_EQ(alerts.shown[1].style, AlertStyle::informational);
    answerStatus(true);
    EXPECT_FALSE(lockedOut(*app));
}

TEST_F(ServiceOperationsTest, AFailedInitializeShowsTheLogPointerUnderTheSameTitle) {
    alerts.answers = {1};
    commands(*app).setupService();
    answerStatus(true);
    runner.answerNext(false, "boom");
    ASSERT_EQ(alerts.shown.size(), 2u);
    EXPECT_EQ(alerts.shown[1].message, "Initialize Database");
    EXPECT_EQ(alerts.shown[1].informativeText.toStdString(), logDetailsText());
    EXPECT_EQ(alerts.shown[1].style, AlertStyle::critical);
    EXPECT_EQ(runner.pendingCommands(), std::vector<std::string>{"status"});
}

TEST_F(ServiceOperationsTest, ASuccessfulUninstallReportsAndQuits) {
    alerts.answers = {1};
    const QString lineBefore = statusLine();
    commands(*app).uninstallService();
    EXPECT_EQ(alerts.shown[0].informativeText,
              "This will stop the service and remove all installed files, config, and data.\n"
              "This cannot be undone.");
    EXPECT_FALSE(app->model().operationInProgress());  // uninstall neither sets nor tests it
    EXPECT_EQ(statusLine(), lineBefore);
    EXPECT_FALSE(lockedOut(*app));

    runner.answerNext(true);
    ASSERT_EQ(alerts.shown.size(), 2u);
    EXPECT_EQ(alerts.shown[1].message, "Uninstall");
    EXPECT_EQ(alerts.shown[1].informativeText, "Done.");
    EXPECT_EQ(appHost.terminations, 1);
    EXPECT_TRUE(runner.requests.empty());
}

TEST_F(ServiceOperationsTest, AFailedUninstallReportsAndRefreshesButKeepsRunning) {
    alerts.answers = {1};
    commands(*app).uninstallService();
    runner.answerNext(false);
    ASSERT_EQ(alerts.shown.size(), 2u);
    EXPECT_EQ(alerts.shown[1].message, "Uninstall");
    EXPECT_EQ(alerts.shown[1].style, AlertStyle::critical);
    EXPECT_EQ(appHost.terminations, 0);
    EXPECT_EQ(runner.pendingCommands(), std::vector<std::string>{"status"});
}

TEST_F(ServiceOperationsTest, RepliesAfterTheControllerIsGoneAreHandledSafely) {
    commands(*app).startService();
    alerts.answers = {1};
    commands(*app).uninstallService();
    app.reset();
    runner.answerNext(false);  // the start: nothing left to update
    runner.answerNext(true);   // the uninstall: still quits
    EXPECT_EQ(appHost.terminations, 1);
    EXPECT_EQ(alerts.shown.size(), 1u);  // only the confirmation
}

// How the helper's own password check ended: the alert's title (none: silent) and what the
// alert must name, the reason or the next step.
const std::array<std::array<const char*, 3>, 4> kRefusals = {{
    {" (dismissed)", "", ""},
    {" (no authentication agent)", "Cannot Ask for the Administrator Password", "lxpolkit"},
    {" (authorization unavailable)", "Cannot Ask for the Administrator Password", "polkitd"},
    {" (refused)", "Start Failed", "rules do not let your account"},
}};

TEST_F(ServiceOperationsTest, ARefusedPasswordCheckRestoresTheStateAndSaysWhyUnlessDismissed) {
    const QString lineBefore = statusLine();
    for (const auto& [cause, title, mentions] : kRefusals) {
        SCOPED_TRACE(cause);
        alerts.shown.clear();
        commands(*app).startService();
        EXPECT_TRUE(lockedOut(*app)) << "locked while the helper waits for the password";
        runner.answerNext(false, std::string("Not authorized: start") + cause);
        EXPECT_EQ(app->model().iconState(), ShownState::active);
        EXPECT_EQ(statusLine(), lineBefore);
        EXPECT_FALSE(lockedOut(*app));
        EXPECT_TRUE(statusTimer(*app)->isActive());
        EXPECT_TRUE(runner.requests.empty()) << "nothing ran, so nothing to refresh";
        ASSERT_EQ(alerts.shown.size(), *title == '\0' ? 0u : 1u);
        if (*title != '\0') {
            const AlertSpec& alert = alerts.shown[0];
            EXPECT_EQ(alert.message, title);
            EXPECT_TRUE((alert.informativeText + alert.details).contains(mentions));
        }
    }
    alerts.shown.clear();
    alerts.answers = {1, 1};  // the confirmed operations: no result alert either
    commands(*app).setupService();
    answerStatus(true);
    runner.answerNext(false, "Not authorized: initialize (dismissed)");
    commands(*app).uninstallService();
    runner.answerNext(false, "Not authorized: uninstall (dismissed)");
    EXPECT_EQ(alerts.shown.size(), 2u) << "the two confirmations only";
    EXPECT_FALSE(lockedOut(*app));
}

}  // namespace
}  // namespace tarvex::testing
