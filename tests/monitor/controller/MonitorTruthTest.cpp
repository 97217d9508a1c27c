// What the monitor tells the user beyond the status itself: an unreachable helper, desktop
// notifications, the login item, and timers that wait behind an open alert.

#include <QCheckBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QTest>
#include <QTimer>

#include <filesystem>

#include "monitor/ui/MainWindowController.h"
#include "monitor/ui/SettingsWindowController.h"
#include "monitor/ui/StatusIcon.h"
#include "tests/monitor/controller/ControllerHarness.h"
#include "tests/support/MonitorProbes.h"

namespace tarvex::testing {
namespace {

namespace fs = std::filesystem;

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
        return mainWindow(*app).window()->findChild<QLabel*>(QStringLiteral("statusNotice"));
    }
    std::vector<std::string> notified() const {
        std::vector<std::string> summaries;
        for (const auto& sent : notifier.sent) {
            summaries.push_back(sent.summary);
        }
        return summaries;
    }
    QCheckBox* settingsSwitch(const char* name) {
        app->openSettings();
        return settingsWindow(*app).window()->findChild<QCheckBox*>(QString::fromUtf8(name));
    }
};

TEST_F(MonitorTruthTest, WithTheHelperStoppedWhileTheServiceRunsNothingReadsStopped) {
    launchAnswered();
    const MainWindowController& window = mainWindow(*app);
    auto everyText = [&] {
        return QStringList{statusLine(), app->statusItem()->toolTip(),
                           windowChild<QLabel>(window, "statusTitle")->text(),
                           windowChild<QLabel>(window, "statusDetail")->text(),
                           windowChild<StatusDot>(window, "statusDot")->accessibleName()}
            .join(u'|');
    };
    const QImage unknownIcon = renderStatusIcon(ShownState::unknown, 1.0).toImage();
    const std::pair<HelperFault, const char*> answers[] = {
        {HelperFault::noSocket, "sudo systemctl enable --now tarvex-helper.socket"},
        {HelperFault::permissionDenied, "may not open"},
        {HelperFault::none, "could not be read: Refusing to run"},  // the helper refused the tool
    };
    for (const auto& [fault, why] : answers) {
        fire(statusTimer(*app));
        runner.answerNext(false, "Refusing to run tarvexctl: not owned by root", fault);
        EXPECT_FALSE(everyText().contains("Stopped")) << everyText().toStdString();
        EXPECT_EQ(statusLine(), "tarvex: Status unknown");
        EXPECT_EQ(app->statusItem()->icon().pixmap(18).toImage(), unknownIcon);
        EXPECT_TRUE(everyText().contains("|Last seen Active (PID 321) at "));
        EXPECT_TRUE(app->statusItem()->toolTip().contains(why) && notice()->text().contains(why))
            << why;
        EXPECT_FALSE(notice()->isHidden());
        EXPECT_FALSE(app->action(Command::uninstall)->isEnabled());
    }
    EXPECT_TRUE(notifier.sent.empty());

    // With the installation removed: Not installed, and only what needs none is offered.
    fs::remove_all(TARVEX_ROOT);
    fire(statusTimer(*app));
    runner.answerNext(false, "", HelperFault::noSocket);
    EXPECT_EQ(statusLine(), "tarvex: Not installed");
    EXPECT_FALSE(app->action(Command::saveLogs)->isEnabled());

    fs::create_directories(TARVEX_ROOT);
    fire(statusTimer(*app));
    answerStatus(true);
    EXPECT_TRUE(app->action(Command::stop)->isEnabled()) << "the commands are back";
    EXPECT_EQ(app->statusItem()->toolTip(), "tarvex: Active (PID 321)\nPort: 4406");
    EXPECT_TRUE(notice()->isHidden());
}

TEST_F(MonitorTruthTest, NotificationsForAStopFromOutsideAndForOurOperationsButNotAtLaunch) {
    launchAnswered();  // active at the first answer: nothing to tell
    EXPECT_TRUE(notifier.sent.empty());

    fire(statusTimer(*app));
    answerStatus(true, kStoppedReport);
    EXPECT_EQ(notified(), std::vector<std::string>{"tarvex stopped"});

    commands(*app).startService();
    runner.answerNext(true);
    answerStatus(true);
    commands(*app).stopService();
    runner.answerNext(false);
    answerStatus(true);
    EXPECT_EQ(notified(),
              (std::vector<std::string>{"tarvex stopped", "tarvex started", "Stop Failed"}));
    EXPECT_EQ(notifier.sent.back().urgency, NotificationUrgency::critical);
}

TEST_F(MonitorTruthTest, ShowNotificationsIsOnByDefaultAndRemembered) {
    launchAnswered();
    QCheckBox* box = settingsSwitch("showNotificationsSwitch");
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(box->isChecked());
    box->click();
    EXPECT_FALSE(QSettings().value("notifications/show", true).toBool());

    fire(statusTimer(*app));
    answerStatus(true, kStoppedReport);
    EXPECT_TRUE(notifier.sent.empty());

    // A new start of the monitor keeps the choice.
    app.reset();
    launchAnswered();
    EXPECT_FALSE(settingsSwitch("showNotificationsSwitch")->isChecked());
}

TEST_F(MonitorTruthTest, StartAtLoginSwitchesTheLoginItemAndTellsWhatFailed) {
    launchAnswered();
    QCheckBox* box = settingsSwitch("startAtLoginSwitch");
    ASSERT_NE(box, nullptr);
    EXPECT_FALSE(box->isChecked());
    box->click();
    EXPECT_EQ(loginItem.requested, std::vector<bool>{true});
    EXPECT_TRUE(loginItem.on);
    EXPECT_TRUE(alerts.shown.empty());

    loginItem.failure = "Cannot write /home/u/.config/autostart: Permission denied";
    box->click();
    EXPECT_EQ(loginItem.requested, (std::vector<bool>{true, false}));
    EXPECT_TRUE(box->isChecked()) << "the box shows what is in effect";
    ASSERT_EQ(alerts.shown.size(), 1u);
    EXPECT_EQ(alerts.shown[0].informativeText.toStdString(), loginItem.failure);
}

TEST_F(MonitorTruthTest, APollThatFallsDueBehindAnOpenAlertWaitsUntilItCloses) {
    launchAnswered();
    QMessageBox box;
    std::vector<std::string> pendingWhileOpen;
    QTimer::singleShot(0, [&] {
        fire(statusTimer(*app));
        pendingWhileOpen = runner.pendingCommands();
        box.done(0);
    });
    box.exec();
    EXPECT_TRUE(pendingWhileOpen.empty()) << "polled behind the alert";
    (void)QTest::qWaitFor([&] { return !runner.requests.empty(); }, 5000);
    EXPECT_EQ(runner.pendingCommands(), std::vector<std::string>{"status"});
}

}  // namespace
}  // namespace tarvex::testing
