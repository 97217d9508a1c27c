#include <QImage>

#include "monitor/ui/StatusIcon.h"
#include "tests/monitor/controller/ControllerHarness.h"
#include "tests/support/MonitorProbes.h"

namespace tarvex::testing {
namespace {

QImage iconImage(const QIcon& icon) {
    return icon.pixmap(QSize(18, 18), 1.0).toImage().convertToFormat(QImage::Format_ARGB32);
}

using LaunchTest = ControllerTest;

TEST_F(LaunchTest, UnknownIconBeforeTheFirstAnswerAndRequestAfterMenuAndWindow) {
    bool menuExisted = false;
    bool windowShown = false;
    bool iconWasUnknown = false;
    runner.onRun = [&](const std::string& command) {
        if (command != "status") {
            return;
        }
        menuExisted = statusMenu(*app) != nullptr && statusMenuItem(*app) != nullptr;
        windowShown =
            mainWindow(*app).window() != nullptr && mainWindow(*app).window()->isVisible();
        iconWasUnknown =
            app->statusItem() != nullptr &&
            iconImage(app->statusItem()->icon()) == iconImage(makeStatusIcon(ShownState::unknown));
    };
    launch();
    ASSERT_EQ(runner.pendingCommands(), std::vector<std::string>{"status"});
    EXPECT_TRUE(menuExisted);
    EXPECT_TRUE(windowShown);
    EXPECT_TRUE(iconWasUnknown);
    EXPECT_TRUE(statusAnswerDeadline(*app)->isActive());
    EXPECT_FALSE(statusTimer(*app)->isActive()) << "no poll is armed before the first answer";
    EXPECT_EQ(menuText(statusMenuItem(*app)), "tarvex: Unknown");

    answerStatus(true, ACTIVE_REPORT);
    EXPECT_EQ(iconImage(app->statusItem()->icon()),
              iconImage(makeStatusIcon(ServiceState::active)));
    EXPECT_EQ(menuText(statusMenuItem(*app)), "tarvex: Active (PID 42)");
    EXPECT_EQ(menuText(portMenuItem(*app)), "Port: 3311");
    EXPECT_FALSE(statusAnswerDeadline(*app)->isActive());
}

TEST_F(LaunchTest, BackgroundStartShowsTheWindowOnlyUntilThereIsATray) {
    for (const bool tray : {true, false}) {
        appHost.tray = tray;
        app = std::make_unique<TarvexMenuBarApp>(seams());
        app->applicationDidFinishLaunching(LaunchMode::background);
        QWidget* window = mainWindow(*app).window();
        EXPECT_EQ(window != nullptr && window->isVisible(), !tray) << "tray " << tray;
        EXPECT_EQ(app->statusItem() != nullptr, tray);
        EXPECT_EQ(runner.pendingCommands(), std::vector<std::string>{"status"});
        runner.requests.clear();
    }
    // A panel that starts later gets the icon, and the window shown for want of it goes.
    appHost.tray = true;
    appHost.trayAppeared();
    ASSERT_NE(app->statusItem(), nullptr);
    EXPECT_TRUE(app->statusItem()->isVisible());
    EXPECT_FALSE(mainWindow(*app).window()->isVisible());
    EXPECT_EQ(appHost.terminations, 0);
    app->statusBarClicked(QSystemTrayIcon::Trigger, Qt::NoModifier);
    EXPECT_TRUE(mainWindow(*app).window()->isVisible());
}

TEST_F(LaunchTest, WithoutATrayClosingTheWindowEndsTheMonitor) {
    for (const bool tray : {true, false}) {
        appHost.tray = tray;
        mainWindow(launch()).closeWindow();
        EXPECT_EQ(appHost.terminations, tray ? 0 : 1) << "tray " << tray;
    }
}

using PollTest = ControllerTest;

TEST_F(PollTest, IntervalFollowsTheStateOfTheAnswerJustApplied) {
    launch();
    answerStatus(true, STOPPED_REPORT);
    const std::pair<const char*, int> answers[] = {{STARTING_REPORT, 1000},
                                                   {ACTIVE_REPORT, 10000},
                                                   {STOPPING_REPORT, 1000},
                                                   {STOPPED_REPORT, 10000},
                                                   {STARTING_WITH_PROCESS_REPORT, 1000}};
    for (const auto& [report, interval] : answers) {
        pollAndAnswer(report);
        ASSERT_NE(statusTimer(*app), nullptr);
        EXPECT_TRUE(statusTimer(*app)->isSingleShot());
        EXPECT_TRUE(statusTimer(*app)->isActive());
        EXPECT_EQ(statusTimer(*app)->interval(), interval) << report;
    }
    // An operation in progress does not change the interval.
    app->model().setOperationInProgress(true);
    pollAndAnswer(ACTIVE_REPORT);
    EXPECT_EQ(statusTimer(*app)->interval(), 10000);
}

TEST_F(PollTest, SecondRefreshWhileOneIsInFlightSendsNothing) {
    launch();
    poller(*app).refreshStatus();
    poller(*app).refreshStatus();
    EXPECT_EQ(runner.requests.size(), 1u);
    answerStatus(true, ACTIVE_REPORT);
    poller(*app).refreshStatus();
    EXPECT_EQ(runner.requests.size(), 1u) << "a new request once the answer is in";
}

TEST_F(PollTest, TimerFiringWhileInFlightIsLost) {
    launch();
    answerStatus(true, ACTIVE_REPORT);
    poller(*app).refreshStatus();  // e.g. an operation finishing
    fire(statusTimer(*app));
    EXPECT_EQ(runner.requests.size(), 1u);
    answerStatus(true, ACTIVE_REPORT);
    EXPECT_TRUE(statusTimer(*app)->isActive()) << "the answer arms the next poll";
}

TEST_F(PollTest, FailedAnswerShowsUnknownAndPollsAgainAfterTenSeconds) {
    launch();
    answerStatus(true, ACTIVE_REPORT);
    fire(statusTimer(*app));
    answerStatus(false, "Launchd: loaded\nProcess: running (pid 42)\nPort: open\n");
    EXPECT_EQ(app->model().status(), TarvexStatus{}) << "the output of a failure is not read";
    EXPECT_EQ(menuText(statusMenuItem(*app)), "tarvex: Status unknown");
    EXPECT_EQ(menuText(portMenuItem(*app)), "Port: --");
    EXPECT_FALSE(app->action(Command::start)->isEnabled());
    EXPECT_EQ(statusTimer(*app)->interval(), 10000);
    EXPECT_TRUE(alerts.shown.empty());
}

TEST_F(PollTest, UnansweredRequestCountsAsFailedAfterSixtySeconds) {
    launch();
    answerStatus(true, ACTIVE_REPORT);
    fire(statusTimer(*app));
    ASSERT_EQ(runner.requests.size(), 1u);

    auto* deadline = app->findChild<QTimer*>(QStringLiteral("statusAnswerDeadline"));
    ASSERT_NE(deadline, nullptr);
    EXPECT_EQ(deadline->interval(), 60000);
    fire(deadline);
    EXPECT_FALSE(statusAnswerDeadline(*app)->isActive());
    EXPECT_EQ(menuText(statusMenuItem(*app)), "tarvex: Status unknown");
    EXPECT_EQ(statusTimer(*app)->interval(), 10000);

    // The lost answer turns up late: it must not overwrite anything.
    runner.answerNext(true, STARTING_REPORT);
    EXPECT_EQ(menuText(statusMenuItem(*app)), "tarvex: Status unknown");
    EXPECT_EQ(statusTimer(*app)->interval(), 10000);
    EXPECT_FALSE(statusAnswerDeadline(*app)->isActive());

    // Polling goes on as usual.
    pollAndAnswer(ACTIVE_REPORT);
    EXPECT_EQ(menuText(statusMenuItem(*app)), "tarvex: Active (PID 42)");
    EXPECT_FALSE(deadline->isActive()) << "an answer in time disarms the guard";
}

TEST_F(PollTest, LateAnswerDoesNotCountForTheNewerRequest) {
    launch();
    fire(app->findChild<QTimer*>(QStringLiteral("statusAnswerDeadline")));
    fire(statusTimer(*app));  // a second request goes out
    ASSERT_EQ(runner.requests.size(), 2u);
    runner.answerNext(true, ACTIVE_REPORT);  // the first, given up on
    EXPECT_TRUE(statusAnswerDeadline(*app)->isActive()) << "the newer request is still awaited";
    EXPECT_EQ(menuText(statusMenuItem(*app)), "tarvex: Status unknown");
    runner.answerNext(true, STOPPING_REPORT);
    EXPECT_EQ(menuText(statusMenuItem(*app)),
              QString::fromUtf8("tarvex: Stopping\u2026").toStdString());
}

TEST_F(PollTest, AnOperationDropsThePollHeldBackByTheMenuAndTheAnswerOnItsWay) {
    launch();
    answerStatus(true, STOPPED_REPORT);
    statusMenu(*app)->popup(QPoint(10, 10));
    fire(statusTimer(*app));  // falls due while the menu is open, and waits for it
    EXPECT_TRUE(runner.requests.empty());
    statusMenu(*app)->close();
    commands(*app).startService();  // chosen in the menu, which closes first
    QCoreApplication::processEvents();
    EXPECT_EQ(runner.pendingCommands(), std::vector<std::string>{"start"});

    runner.answerNext(true);  // the start's reply asks for a status; a stop begins meanwhile
    commands(*app).stopService();
    runner.answerNext(true, STARTING_REPORT);
    EXPECT_EQ(menuText(statusMenuItem(*app)), "tarvex: Stopping\u2026");
    EXPECT_FALSE(statusTimer(*app)->isActive()) << "no polling during the stop";
    runner.answerNext(true);
    EXPECT_EQ(runner.pendingCommands(), std::vector<std::string>{"status"});
}

TEST_F(PollTest, DestroyedControllerIgnoresItsAnswer) {
    launch();
    app.reset();
    EXPECT_TRUE(runner.answerNext(true, ACTIVE_REPORT));
}

}  // namespace
}  // namespace tarvex::testing
