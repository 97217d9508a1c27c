#include <QDialog>
#include <QKeySequence>
#include <QPushButton>
#include <QTest>

#include "monitor/ui/SettingsWindowController.h"
#include "tests/monitor/controller/ControllerHarness.h"
#include "tests/support/MonitorProbes.h"

namespace tarvex::testing {
namespace {

using StatusMenuTest = ControllerTest;

struct Expected {
    const char* title;
    const char* shortcut;
    bool enabled;
};

TEST_F(StatusMenuTest, EntriesTitlesOrderAndShortcutsAsBuilt) {
    launch();
    const Expected expected[] = {
        {"tarvex: Unknown", "", false},
        {"Port: --", "", false},
        {nullptr, "", true},
        {"Start Service", "", true},
        {"Stop Service", "", true},
        {"Restart Service", "", true},
        {nullptr, "", true},
        {"View Logs...", "", true},
        {"Save Logs to\u2026", "", true},
        {nullptr, "", true},
        {"Settings...", "Ctrl+,", true},
        {"Run Doctor", "", true},
        {nullptr, "", true},
        {"Initialize Database", "", true},
        {"Uninstall...", "", true},
        {nullptr, "", true},
        {"Quit Monitor", "Ctrl+Q", true},
    };
    const QList<QAction*> actions = statusMenu(*app)->actions();
    ASSERT_EQ(actions.size(), static_cast<qsizetype>(std::size(expected)));
    for (qsizetype i = 0; i < actions.size(); ++i) {
        const Expected& want = expected[i];
        QAction* action = actions[i];
        if (want.title == nullptr) {
            EXPECT_TRUE(action->isSeparator()) << i;
            continue;
        }
        EXPECT_EQ(action->text(), QString::fromUtf8(want.title)) << i;
        EXPECT_EQ(action->shortcut(), QKeySequence(QString::fromUtf8(want.shortcut))) << i;
        EXPECT_EQ(action->isEnabled(), want.enabled) << want.title;
    }
    // The held items are the ones in the menu.
    EXPECT_EQ(statusMenuItem(*app), actions[0]);
    EXPECT_EQ(portMenuItem(*app), actions[1]);
    EXPECT_EQ(app->action(Command::start), actions[3]);
    EXPECT_EQ(app->action(Command::stop), actions[4]);
    EXPECT_EQ(app->action(Command::restart), actions[5]);
    EXPECT_EQ(app->action(Command::settings), actions[10]);
    EXPECT_EQ(app->action(Command::initialize), actions[13]);
    // Three full stops and the single ellipsis character are different texts.
    EXPECT_EQ(actions[7]->text().size(), 12);
    EXPECT_EQ(actions[8]->text().size(), 13);
}

TEST_F(StatusMenuTest, TheTrayTooltipRepeatsTheMenusTwoInformationLines) {
    launch();
    auto toolTip = [this] { return app->statusItem()->toolTip().toStdString(); };
    EXPECT_EQ(toolTip(), "tarvex: Unknown\nPort: --");
    answerStatus(true, ACTIVE_REPORT);
    EXPECT_EQ(toolTip(), "tarvex: Active (PID 42)\nPort: 3311");
    commands(*app).stopService();
    EXPECT_EQ(toolTip(), "tarvex: Stopping\u2026\nPort: 3311");
}

TEST_F(StatusMenuTest, SettingsAndQuitKeysWorkFromTheWindows) {
    launch();
    answerStatus(true, STOPPED_REPORT);
    QWidget* window = mainWindow(*app).window();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    QTest::keyClick(window, Qt::Key_Comma, Qt::ControlModifier);
    QDialog* settings = settingsWindow(*app).window();
    ASSERT_NE(settings, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowActive(settings));
    QTest::keyClick(settings, Qt::Key_Q, Qt::ControlModifier);
    EXPECT_EQ(appHost.terminations, 1);
}

TEST_F(StatusMenuTest, EnablingFollowsTheStateInMenuAndWindow) {
    launch();
    struct Case {
        const char* report;
        bool start, stop, restart;
    };
    const Case cases[] = {{ACTIVE_REPORT, false, true, true},
                          {STARTING_REPORT, false, false, false},
                          {STOPPING_REPORT, false, false, false},
                          {STOPPED_REPORT, true, false, false}};
    answerStatus(true, STOPPED_REPORT);
    const MainWindowController& window = mainWindow(*app);
    for (const Case& c : cases) {
        pollAndAnswer(c.report);
        EXPECT_EQ(app->action(Command::start)->isEnabled(), c.start) << c.report;
        EXPECT_EQ(app->action(Command::stop)->isEnabled(), c.stop) << c.report;
        EXPECT_EQ(app->action(Command::restart)->isEnabled(), c.restart) << c.report;
        EXPECT_TRUE(app->action(Command::settings)->isEnabled());
        EXPECT_TRUE(app->action(Command::initialize)->isEnabled());
        EXPECT_EQ(windowChild(window, "startButton")->isEnabled(), c.start) << c.report;
        EXPECT_EQ(windowChild(window, "stopButton")->isEnabled(), c.stop) << c.report;
        EXPECT_EQ(windowChild(window, "restartButton")->isEnabled(), c.restart) << c.report;
        EXPECT_TRUE(windowChild(window, "settingsButton")->isEnabled());
        EXPECT_EQ(windowChild<QLabel>(window, "statusTitle")->text(), statusMenuItem(*app)->text());
    }
}

TEST_F(StatusMenuTest, OperationInProgressLocksTheFiveWhateverTheState) {
    launch();
    answerStatus(true, STOPPED_REPORT);
    app->model().setOperationInProgress(true);
    for (const char* report : {ACTIVE_REPORT, STARTING_REPORT, STOPPED_REPORT}) {
        pollAndAnswer(report);
        for (QAction* item : {app->action(Command::start), app->action(Command::stop),
                              app->action(Command::restart), app->action(Command::settings),
                              app->action(Command::initialize)}) {
            EXPECT_FALSE(item->isEnabled()) << item->text().toStdString() << " " << report;
        }
        for (const char* name :
             {"startButton", "stopButton", "restartButton", "settingsButton", "initializeButton"}) {
            EXPECT_FALSE(windowChild(mainWindow(*app), name)->isEnabled()) << name;
        }
    }
    // The never-disabled commands are left alone.
    for (QAction* action : statusMenu(*app)->actions()) {
        const QString title = action->text();
        if (title == "View Logs..." || title == "Run Doctor" || title == "Uninstall..." ||
            title == "Quit Monitor") {
            EXPECT_TRUE(action->isEnabled()) << title.toStdString();
        }
    }
}

class ClickTest : public ControllerTest {
protected:
    void SetUp() override {
        ControllerTest::SetUp();
        launch();
        QObject::connect(statusMenu(*app), &QMenu::aboutToShow, statusMenu(*app), [this] {
            ++menuShown;
            // Dismiss it from inside its own loop, as the user would.
            QMetaObject::invokeMethod(statusMenu(*app), &QMenu::close, Qt::QueuedConnection);
        });
        mainWindow(*app).closeWindow();
    }
    bool windowVisible() const { return mainWindow(*app).window()->isVisible(); }
    int menuShown = 0;
};

TEST_F(ClickTest, PlainLeftClickOpensTheMainWindowNotTheMenu) {
    app->statusBarClicked(QSystemTrayIcon::Trigger, Qt::NoModifier);
    EXPECT_TRUE(windowVisible());
    EXPECT_EQ(menuShown, 0);
}

TEST_F(ClickTest, RightClickAndControlClickPopUpTheMenu) {
#ifdef Q_OS_MACOS
    const Qt::KeyboardModifiers control = Qt::MetaModifier;
    app->statusBarClicked(QSystemTrayIcon::Context, Qt::NoModifier);
    EXPECT_EQ(menuShown, 1);
    EXPECT_EQ(app->statusItem()->contextMenu(), nullptr) << "never left attached";
#else
    // Desktop trays show the attached menu on a right click; a second one must not pop up.
    const Qt::KeyboardModifiers control = Qt::ControlModifier;
    EXPECT_EQ(app->statusItem()->contextMenu(), statusMenu(*app));
    app->statusBarClicked(QSystemTrayIcon::Context, Qt::NoModifier);
    EXPECT_EQ(menuShown, 0);
#endif
    const int shownBefore = menuShown;
    app->statusBarClicked(QSystemTrayIcon::Trigger, control);
    EXPECT_EQ(menuShown, shownBefore + 1);
    EXPECT_FALSE(windowVisible());

    // After the menu has closed, a plain click reaches the window again.
    app->statusBarClicked(QSystemTrayIcon::Trigger, Qt::NoModifier);
    EXPECT_TRUE(windowVisible());
    EXPECT_EQ(menuShown, shownBefore + 1);
}

TEST_F(ClickTest, ReopenAlwaysShowsTheWindowAndAnswersTrue) {
    EXPECT_TRUE(app->applicationShouldHandleReopen());
    EXPECT_TRUE(windowVisible());
    EXPECT_TRUE(app->applicationShouldHandleReopen());
    EXPECT_TRUE(windowVisible());
}

TEST_F(ClickTest, ASecondStartOrATrayClickRestoresAMinimisedWindow) {
    QWidget* window = mainWindow(*app).window();
    for (const auto& reopen : std::initializer_list<std::function<void()>>{
             [this] { app->applicationShouldHandleReopen(); },
             [this] { app->statusBarClicked(QSystemTrayIcon::Trigger, Qt::NoModifier); }}) {
        window->showMinimized();
        ASSERT_TRUE(window->isMinimized());
        reopen();
        EXPECT_FALSE(window->isMinimized());
        EXPECT_TRUE(windowVisible());
    }
}

TEST_F(StatusMenuTest, QuitStopsBothTimersAndEndsAtOnceEvenDuringAnOperation) {
    launch();
    answerStatus(true, ACTIVE_REPORT);
    app->model().setOperationInProgress(true);
    ASSERT_TRUE(appRemovalTimer(*app)->isActive());
    fire(statusTimer(*app));  // a request is still out
    app->quitMonitor();
    EXPECT_FALSE(statusTimer(*app)->isActive());
    EXPECT_FALSE(appRemovalTimer(*app)->isActive());
    EXPECT_EQ(appHost.terminations, 1);
}

TEST_F(StatusMenuTest, QuitItemEndsTheApplication) {
    launch();
    statusMenu(*app)->actions().last()->trigger();
    EXPECT_EQ(appHost.terminations, 1);
}

TEST_F(StatusMenuTest, SettingsDoNothingWhileAnOperationRuns) {
    launch();
    app->model().setOperationInProgress(true);
    app->action(Command::settings)->trigger();
    windowChild(mainWindow(*app), "settingsButton")->click();
    app->openSettings();
    EXPECT_EQ(settingsWindow(*app).window(), nullptr);

    app->model().setOperationInProgress(false);
    app->openSettings();
    EXPECT_NE(settingsWindow(*app).window(), nullptr);
}

}  // namespace
}  // namespace tarvex::testing
