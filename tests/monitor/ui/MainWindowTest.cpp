#include <gtest/gtest.h>

#include <QAction>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <vector>

#include "monitor/ui/CommandActions.h"
#include "monitor/ui/MainWindowController.h"
#include "monitor/ui/StatusIcon.h"
#include "monitor/ui/StatusModel.h"
#include "tests/support/TestApplication.h"
#include "tests/support/TextFit.h"
#include "tests/support/WindowChild.h"

namespace tarvex {
namespace {

TarvexStatus statusIn(ServiceState state, std::string pid = "42", std::string port = "3311") {
    TarvexStatus status;
    status.pid = std::move(pid);
    status.port = std::move(port);
    switch (state) {
        case ServiceState::active:
            status = TarvexStatus{status.port, true, status.pid, true, true};
            break;
        case ServiceState::starting:
            status = TarvexStatus{status.port, false, status.pid, false, true};
            break;
        case ServiceState::stopping:
            status = TarvexStatus{status.port, true, status.pid, false, false};
            break;
        case ServiceState::stopped:
            status = TarvexStatus{status.port, false, status.pid, false, false};
            break;
    }
    return status;
}

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override { testing::ensureTestApplication(); }

    std::vector<QPushButton*> buttons() const {
        const QList<QPushButton*> found =
            controller.window()->findChildren<QPushButton*>(Qt::FindDirectChildrenOnly);
        return {found.begin(), found.end()};
    }
    QPushButton* button(const QString& title) const {
        for (QPushButton* b : buttons()) {
            if (b->text() == title) {
                return b;
            }
        }
        return nullptr;
    }
    template <class Widget = QPushButton>
    Widget* child(const char* name) const {
        return testing::windowChild<Widget>(controller, name);
    }
    QString labelText(const char* name) const { return child<QLabel>(name)->text(); }

    // The actions need the application object before they are made.
    struct ApplicationFirst {
        ApplicationFirst() { testing::ensureTestApplication(); }
    } applicationFirst;
    StatusModel model;
    CommandActions actions;
    MainWindowController controller{model, actions};
};

TEST_F(MainWindowTest, NothingIsBuiltBeforeTheFirstShowAndChangesAreDropped) {
    model.applyStatus(statusIn(ServiceState::active), HelperFault::none);
    EXPECT_EQ(controller.window(), nullptr);
    controller.closeWindow();
    EXPECT_EQ(controller.window(), nullptr);
}

TEST_F(MainWindowTest, FirstShowBuildsTheFixedWindowWithItsInitialTexts) {
    controller.showWindow();
    QWidget* window = controller.window();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->windowTitle(), QStringLiteral("tarvex Monitor"));
    EXPECT_EQ(window->minimumSize(), QSize(480, 500));
    EXPECT_EQ(window->maximumSize(), QSize(480, 500));

    EXPECT_EQ(labelText("statusTitle"), QStringLiteral("Unknown"));
    EXPECT_EQ(labelText("statusDetail"), QString::fromUtf8("PID \u2014  \u00B7  Port \u2014"));
    EXPECT_EQ(child<StatusDot>("statusDot")->colour(), QColor(0x8E, 0x8E, 0x93));
    for (QPushButton* b : buttons()) {
        EXPECT_TRUE(b->isEnabled()) << b->text().toStdString();
    }

    controller.showWindow();
    EXPECT_EQ(controller.window(), window) << "a second show reuses the window";
}

TEST_F(MainWindowTest, SectionsAndButtonsInOrderWithExactTitles) {
    controller.showWindow();
    std::vector<QString> titles;
    for (QPushButton* b : buttons()) {
        titles.push_back(b->text());
    }
    const std::vector<QString> expected = {"Start",
                                           "Stop",
                                           "Restart",
                                           "View Logs",
                                           QString::fromUtf8("Save Logs to\u2026"),
                                           QString::fromUtf8("Settings\u2026"),
                                           "Run Doctor",
                                           "Initialize Database",
                                           QString::fromUtf8("Uninstall\u2026"),
                                           "Close",
                                           "About"};
    EXPECT_EQ(titles, expected);

    std::vector<QString> headings;
    for (QLabel* label : controller.window()->findChildren<QLabel*>(Qt::FindDirectChildrenOnly)) {
        headings.push_back(label->text());
    }
    EXPECT_EQ(headings, (std::vector<QString>{"SERVICE", "LOGS", "CONFIGURATION", "MAINTENANCE"}));
}

TEST_F(MainWindowTest, FramesAreTheBottomLeftLayoutTurnedTopLeft) {
    controller.showWindow();
    const QWidget* card = child<QWidget>("statusCard");
    ASSERT_NE(card, nullptr);
    EXPECT_EQ(card->geometry(), QRect(20, 20, 440, 72));
    EXPECT_EQ(child<StatusDot>("statusDot")->geometry(), QRect(18, 28, 16, 16));
    EXPECT_EQ(child<QLabel>("statusTitle")->geometry(), QRect(46, 12, 380, 22));
    EXPECT_EQ(child<QLabel>("statusDetail")->geometry(), QRect(46, 38, 380, 18));
    // Service row at y 342 (bottom-left), three buttons sharing 440 points with 8-point gaps.
    EXPECT_EQ(child("startButton")->geometry().top(), 500 - 342 - 30);
    EXPECT_EQ(child("startButton")->geometry().left(), 20);
    EXPECT_EQ(child("restartButton")->geometry().right() + 1, 460);
    // Maintenance row at y 150; Close at (370, 20).
    EXPECT_EQ(child("initializeButton")->geometry(), QRect(20, 500 - 150 - 30, 216, 30));
    EXPECT_EQ(button("Close")->geometry(), QRect(370, 450, 90, 30));
}

StatusAnswer answerIn(ServiceState state) {
    StatusAnswer answer;
    answer.status = statusIn(state);
    return answer;
}

StatusAnswer notInstalledAnswer() {
    StatusAnswer answer;
    answer.installed = false;
    return answer;
}

TEST_F(MainWindowTest, EachStateShowsInTheCard) {
    controller.showWindow();
    struct Case {
        ShownState state;
        StatusAnswer answer;
        QString title;
        QString detail;
    };
    const QString ids = QString::fromUtf8("PID 42  \u00B7  Port 3311");
    const Case cases[] = {
        {ShownState::active, answerIn(ServiceState::active), "tarvex: Active (PID 42)", ids},
        {ShownState::starting, answerIn(ServiceState::starting),
         QString::fromUtf8("tarvex: Starting\u2026"), ids},
        {ShownState::stopping, answerIn(ServiceState::stopping),
         QString::fromUtf8("tarvex: Stopping\u2026"), ids},
        {ShownState::stopped, answerIn(ServiceState::stopped), "tarvex: Stopped", ids},
        {ShownState::notInstalled, notInstalledAnswer(), "tarvex: Not installed",
         "tarvex is not installed."},
    };
    for (const Case& c : cases) {
        model.applyStatus(c.answer);
        EXPECT_EQ(child<StatusDot>("statusDot")->colour(), stateColour(c.state));
        EXPECT_EQ(child<StatusDot>("statusDot")->hollow(), c.state == ShownState::notInstalled);
        EXPECT_EQ(labelText("statusTitle"), c.title);
        EXPECT_EQ(labelText("statusDetail"), c.detail);
        EXPECT_EQ(child<QLabel>("statusNotice")->isHidden(), isServiceState(c.state));
    }
    EXPECT_EQ(stateColour(ServiceState::active), QColor(0x34, 0xC7, 0x59));
    EXPECT_EQ(stateColour(ServiceState::stopped), QColor(0xFF, 0x3B, 0x30));
}

TEST_F(MainWindowTest, AnOperationDisablesTheFiveButStillRefreshesTheTexts) {
    actions.follow(model);
    controller.showWindow();
    model.setOperationInProgress(true);
    model.applyStatus(statusIn(ServiceState::stopped, "", ""), HelperFault::none);
    for (const char* name :
         {"startButton", "stopButton", "restartButton", "settingsButton", "initializeButton"}) {
        EXPECT_FALSE(child(name)->isEnabled()) << name;
    }
    for (const char* name :
         {"viewLogsButton", "saveLogsButton", "doctorButton", "uninstallButton", "closeButton"}) {
        EXPECT_TRUE(child(name)->isEnabled()) << name;
    }
    EXPECT_EQ(labelText("statusTitle"), QStringLiteral("tarvex: Stopped"));
    EXPECT_EQ(labelText("statusDetail"), QString::fromUtf8("PID \u2014  \u00B7  Port \u2014"));
    EXPECT_EQ(child<StatusDot>("statusDot")->colour(), stateColour(ServiceState::stopped));

    model.setOperationInProgress(false);
    model.applyStatus(statusIn(ServiceState::active, ""), HelperFault::none);
    EXPECT_EQ(labelText("statusTitle"), QStringLiteral("tarvex: Active"));
    EXPECT_TRUE(child("stopButton")->isEnabled());
}

TEST_F(MainWindowTest, ClosingHidesAndAHiddenWindowStillFollowsTheModel) {
    controller.showWindow();
    QWidget* window = controller.window();
    window->close();
    EXPECT_FALSE(window->isVisible());

    model.applyStatus(statusIn(ServiceState::active), HelperFault::none);
    controller.showWindow();
    EXPECT_EQ(controller.window(), window);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(labelText("statusTitle"), QStringLiteral("tarvex: Active (PID 42)"));

    button("Close")->click();
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(controller.window(), window);
}

TEST_F(MainWindowTest, EachButtonTriggersItsOwnSharedAction) {
    controller.showWindow();
    std::vector<std::string> asked;
    const std::pair<Command, const char*> commands[] = {
        {Command::start, "start"},        {Command::stop, "stop"},
        {Command::restart, "restart"},    {Command::viewLogs, "viewLogs"},
        {Command::saveLogs, "saveLogs"},  {Command::settings, "settings"},
        {Command::doctor, "doctor"},      {Command::initialize, "setup"},
        {Command::uninstall, "uninstall"}};
    for (const auto& [command, name] : commands) {
        QObject::connect(actions.action(command), &QAction::triggered,
                         [&asked, name = name] { asked.push_back(name); });
    }
    for (QPushButton* b : buttons()) {
        if (b->text() != QStringLiteral("Close") && b->text() != QStringLiteral("About")) {
            b->click();
        }
    }
    EXPECT_EQ(asked, (std::vector<std::string>{"start", "stop", "restart", "viewLogs", "saveLogs",
                                               "settings", "doctor", "setup", "uninstall"}));
}

TEST_F(MainWindowTest, EscapeAndTheCloseKeyHideTheWindow) {
    const std::pair<int, Qt::KeyboardModifiers> keys[] = {{Qt::Key_Escape, Qt::NoModifier},
                                                          {Qt::Key_W, Qt::ControlModifier}};
    for (const auto& [key, modifiers] : keys) {
        controller.showWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(controller.window()));
        QTest::keyClick(controller.window(), static_cast<Qt::Key>(key), modifiers);
        EXPECT_FALSE(controller.window()->isVisible()) << key;
    }
}

TEST_F(MainWindowTest, TheWindowComesBackWhereTheUserLeftItWhileThatIsOnAScreen) {
    QTemporaryDir settingsFolder;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsFolder.path());
    {
        MainWindowController first(model, actions);
        first.showWindow();
        first.window()->move(60, 40);
        QApplication::processEvents();
    }
    MainWindowController second(model, actions);
    second.showWindow();
    EXPECT_EQ(second.window()->pos(), QPoint(60, 40));

    second.window()->move(-5000, -5000);  // left on a screen since removed
    QApplication::processEvents();
    MainWindowController third(model, actions);
    third.showWindow();
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_TRUE(screen.contains(third.window()->geometry())) << "centred on the screen instead";
}

TEST_F(MainWindowTest, AWindowThatGrowsWithTheNoticeStaysOnTheScreen) {
    const testing::ApplicationFontSize large(14);
    controller.showWindow();
    QWidget* window = controller.window();
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    const int before = window->height();
    window->move(screen.left(), screen.bottom() + 1 - window->frameGeometry().height());
    model.applyStatus(TarvexStatus{}, HelperFault::noSocket);
    QApplication::processEvents();
    QApplication::processEvents();
    ASSERT_GT(window->height(), before) << "the notice makes it taller";
    EXPECT_TRUE(screen.contains(window->frameGeometry())) << window->y();
}

TEST_F(MainWindowTest, AboutOpensOneBoxWithTheVersionOfTheBuild) {
    QCoreApplication::setApplicationVersion(QStringLiteral("9.8.7"));
    controller.showWindow();
    button("About")->click();
    button("About")->click();
    const QList<QDialog*> boxes =
        controller.window()->findChildren<QDialog*>(QStringLiteral("aboutDialog"));
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_TRUE(boxes.front()->isVisible());
    EXPECT_FALSE(boxes.front()->isModal()) << "the monitor keeps answering while it is open";
    const auto* version = boxes.front()->findChild<QLabel*>(QStringLiteral("aboutVersion"));
    ASSERT_NE(version, nullptr);
    EXPECT_TRUE(version->text().contains(QStringLiteral("9.8.7"))) << version->text().toStdString();
}

}  // namespace
}  // namespace tarvex
