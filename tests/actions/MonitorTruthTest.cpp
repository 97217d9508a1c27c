// What the monitor tells the user beyond the status itself: an unreachable helper, desktop
// notifications, the login item, and timers that wait behind an open alert.

#include <QCheckBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QTimer>

#include "monitor/ui/MainWindowController.h"
#include "monitor/ui/SettingsWindowController.h"
#include "tests/actions/ControllerTestSupport.h"
#include "tests/support/EventWaiter.h"
#include "tests/support/MonitorProbes.h"

namespace tarvex::testing {
namespace {

constexpr char kStoppedReport[] = "Port: 4406\nProcess: stopped\nlaunchd: unloaded\n";

class MonitorTruthTest : public ControllerTest {
protected:
    void SetUp() override {
        // The "Show notifications" setting goes to a folder of the test's own.
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                           QString::fromStdString(temp / "config"));
        ControllerTest::SetUp();
    }

    QLabel* notice() const {
        return app->mainWindowController().window()->findChild<QLabel*>(
            QStringLiteral("helperNotice"));
    }
    std::vector<std::string> notified() const {
        std::vector<std::string> summaries;
        for (const auto& sent : world.notifier.sent) {
            summaries.push_back(sent.summary);
        }
        return summaries;
    }
    QCheckBox* settingsSwitch(const char* name) {
        app->openSettings();
        return app->settingsController().window()->findChild<QCheckBox*>(QString::fromUtf8(name));
    }
};

TEST_F(MonitorTruthTest, AnUnreachableHelperIsNotAStoppedServiceAndRecoversByItself) {
    construct();
    app->applicationDidFinishLaunching();
    world.runner.answerNext(false, "Cannot connect to helper service", HelperFault::noSocket);

    EXPECT_EQ(statusLine(), "tarvex: Stopped");
    EXPECT_EQ(portMenuItem(*app)->text(), "Port: --");
    EXPECT_EQ(itemsEnabled(), (std::vector<bool>{false, false, false, true, false}));
    const QString tooltip = app->statusItem()->toolTip();
    EXPECT_TRUE(tooltip.contains("cannot be reached: nothing listens at")) << tooltip.toStdString();
    EXPECT_TRUE(tooltip.contains("sudo systemctl enable --now tarvex-helper.socket"));
    ASSERT_FALSE(notice()->isHidden());
    EXPECT_TRUE(notice()->text().contains("sudo systemctl enable --now tarvex-helper.socket"));
    EXPECT_FALSE(windowChild(app->mainWindowController(), "startButton")->isEnabled());
    EXPECT_TRUE(world.notifier.sent.empty());

    fire(statusTimer(*app));
    world.runner.answerNext(false, "Cannot connect to helper service",
                            HelperFault::permissionDenied);
    EXPECT_TRUE(app->statusItem()->toolTip().contains("may not open"));

    // A helper that answers, even with a failure of the tool, is a stopped service again.
    fire(statusTimer(*app));
    answerStatus(false, "tool failed");
    EXPECT_EQ(itemsEnabled(), (std::vector<bool>{true, false, false, true, true}));
    EXPECT_EQ(app->statusItem()->toolTip(), "tarvex: Stopped\nPort: --");
    EXPECT_TRUE(notice()->isHidden());
    EXPECT_TRUE(windowChild(app->mainWindowController(), "startButton")->isEnabled());
}

TEST_F(MonitorTruthTest, NotificationsForAStopFromOutsideAndForOurOperationsButNotAtLaunch) {
    launch();  // active at the first answer: nothing to tell
    EXPECT_TRUE(world.notifier.sent.empty());

    fire(statusTimer(*app));
    answerStatus(true, kStoppedReport);
    EXPECT_EQ(notified(), std::vector<std::string>{"tarvex stopped"});

    app->startService();
    world.runner.answerNext(true);
    answerStatus(true);
    app->stopService();
    world.runner.answerNext(false);
    answerStatus(true);
    EXPECT_EQ(notified(),
              (std::vector<std::string>{"tarvex stopped", "tarvex started", "Stop Failed"}));
    EXPECT_EQ(world.notifier.sent.back().urgency, NotificationUrgency::critical);
}

TEST_F(MonitorTruthTest, ShowNotificationsIsOnByDefaultAndRemembered) {
    launch();
    QCheckBox* box = settingsSwitch("showNotificationsSwitch");
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(box->isChecked());
    box->click();
    EXPECT_FALSE(QSettings().value("notifications/show", true).toBool());

    fire(statusTimer(*app));
    answerStatus(true, kStoppedReport);
    EXPECT_TRUE(world.notifier.sent.empty());

    // A new start of the monitor keeps the choice.
    app.reset();
    launch();
    EXPECT_FALSE(settingsSwitch("showNotificationsSwitch")->isChecked());
}

TEST_F(MonitorTruthTest, StartAtLoginSwitchesTheLoginItemAndTellsWhatFailed) {
    launch();
    QCheckBox* box = settingsSwitch("startAtLoginSwitch");
    ASSERT_NE(box, nullptr);
    EXPECT_FALSE(box->isChecked());
    box->click();
    EXPECT_EQ(world.loginItem.requested, std::vector<bool>{true});
    EXPECT_TRUE(world.loginItem.on);
    EXPECT_TRUE(world.alerts.shown.empty());

    world.loginItem.failure = "Cannot write /home/u/.config/autostart: Permission denied";
    box->click();
    EXPECT_EQ(world.loginItem.requested, (std::vector<bool>{true, false}));
    EXPECT_TRUE(box->isChecked()) << "the box shows what is in effect";
    ASSERT_EQ(world.alerts.shown.size(), 1u);
    EXPECT_EQ(world.alerts.shown[0].informativeText, world.loginItem.failure);
}

TEST_F(MonitorTruthTest, APollThatFallsDueBehindAnOpenAlertWaitsUntilItCloses) {
    launch();
    QMessageBox box;
    std::vector<std::string> pendingWhileOpen;
    QTimer::singleShot(0, [&] {
        fire(statusTimer(*app));
        pendingWhileOpen = world.runner.pendingCommands();
        box.done(0);
    });
    box.exec();
    EXPECT_TRUE(pendingWhileOpen.empty()) << "polled behind the alert";
    EventWaiter().waitUntil([&] { return !world.runner.requests.empty(); }, 5000, 10);
    EXPECT_EQ(world.runner.pendingCommands(), std::vector<std::string>{"status"});
}

}  // namespace
}  // namespace tarvex::testing
