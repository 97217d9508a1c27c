#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAccessible>
#include <QAction>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTextEdit>
#include <QTimer>

#include <map>

#include "monitor/controller/MonitorMain.h"
#include "monitor/desktop/DesktopSeams.h"
#include "tests/monitor/controller/ControllerHarness.h"

namespace tarvex {
namespace {

// The arguments as the application object leaves them: the program name first.
MonitorOptions parse(QStringList arguments) {
    arguments.prepend(QStringLiteral("tarvex-monitor"));
    return parseMonitorOptions(arguments);
}

TEST(MonitorOptionsTest, AcceptsEveryOptionTogether) {
    testing::ensureTestApplication();
    const MonitorOptions options =
        parse({"--prefix", "/tmp/p", "--socket=/tmp/s.sock", "--demo", "--background"});
    EXPECT_TRUE(options.error.empty()) << options.error;
    EXPECT_EQ(options.prefix, "/tmp/p");
    EXPECT_EQ(options.socket, "/tmp/s.sock");
    EXPECT_TRUE(options.demo);
    EXPECT_TRUE(options.background);
    EXPECT_FALSE(options.showHelp);
    EXPECT_FALSE(options.showVersion);

    const MonitorOptions none = parse({});
    EXPECT_TRUE(none.error.empty());
    EXPECT_FALSE(none.prefix.has_value());
    EXPECT_FALSE(none.demo);
    EXPECT_FALSE(none.background);
    EXPECT_TRUE(parse({"--version"}).showVersion);
    EXPECT_TRUE(parse({"--help"}).showHelp);
    EXPECT_TRUE(parse({"-h"}).showHelp);
    EXPECT_TRUE(parse({"--help-all"}).showHelpWithQtOptions);
}

TEST(MonitorOptionsTest, RejectsUnknownOptionsArgumentsAndMissingValues) {
    testing::ensureTestApplication();
    for (const QStringList& arguments : std::vector<QStringList>{
             {"--bogus"}, {"positional"}, {"--prefix"}, {"--socket", ""}, {"--demo", "--prefix"}}) {
        EXPECT_FALSE(parse(arguments).error.empty()) << arguments.join(' ').toStdString();
    }
    EXPECT_NE(monitorUsage().find("--prefix <dir>"), std::string::npos) << monitorUsage();
}

TEST(ApplicationIdentityTest, TheApplicationIconIsCompiledInAndDraws) {
    testing::ensureTestApplication();
    setApplicationIdentity();
    EXPECT_FALSE(QApplication::windowIcon().pixmap(64, 64).isNull());
}

TEST(ReopenChannelTest, PerUserPerPrefixAndInTheRuntimeFolder) {
    EXPECT_EQ(reopenChannelName(1000, "", ""), "tarvex-monitor-1000");
    EXPECT_EQ(reopenChannelName(1000, "", "/run/user/1000"),
              "/run/user/1000/tarvex-monitor-1000.sock");
    EXPECT_NE(reopenChannelName(1000, "", ""), reopenChannelName(1001, "", ""));
    EXPECT_NE(reopenChannelName(1000, "/tmp/a", ""), reopenChannelName(1000, "/tmp/b", ""));
    EXPECT_EQ(reopenChannelName(1000, "/tmp/a", ""), reopenChannelName(1000, "/tmp/a", ""));
}

TEST(TerminalCommandTest, FirstInstalledTerminalWithItsOwnCommandSyntax) {
    std::map<std::string, std::string> installed = {{"xterm", "/usr/bin/xterm"},
                                                    {"gnome-terminal", "/usr/bin/gnome-terminal"}};
    auto find = [&installed](const std::string& name) {
        auto it = installed.find(name);
        return it == installed.end() ? std::string() : it->second;
    };
    EXPECT_EQ(terminalCommandFor("/run/s.command", "", find),
              (std::vector<std::string>{"/usr/bin/gnome-terminal", "--", "/run/s.command"}));
    installed["kitty"] = "/opt/kitty";
    EXPECT_EQ(terminalCommandFor("/run/s.command", "kitty", find),
              (std::vector<std::string>{"/opt/kitty", "-e", "/run/s.command"}));
    EXPECT_EQ(terminalCommandFor("/run/s.command", "missing", find).front(),
              "/usr/bin/gnome-terminal");
    installed.erase("gnome-terminal");
    EXPECT_EQ(terminalCommandFor("/s", "", find),
              (std::vector<std::string>{"/usr/bin/xterm", "-e", "/s"}));
    installed.clear();
    EXPECT_TRUE(terminalCommandFor("/s", "", find).empty());
}

TEST(BundleLocatorTest, InstallFolderIsTheParentOfTheProgramsFolder) {
    EXPECT_EQ(installFolderOfExecutable("/opt/tarvex-monitor/bin/tarvex-monitor"),
              "/opt/tarvex-monitor");
    EXPECT_EQ(installFolderOfExecutable("/opt/x/./bin/../bin/tarvex-monitor"), "/opt/x");
    EXPECT_EQ(installFolderOfExecutable("/home/u/.local/share/Trash/files/m/bin/tarvex-monitor"),
              "/home/u/.local/share/Trash/files/m");
}

// Answers the message box from inside its own loop with the button at `index`.
void clickMessageBoxButton(int index, std::vector<QString>* titles, QString* defaultTitle) {
    QTimer::singleShot(0, [index, titles, defaultTitle] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        for (QAbstractButton* button : box->buttons()) {
            titles->push_back(button->text());
        }
        *defaultTitle = box->defaultButton() ? box->defaultButton()->text() : QString();
        box->buttons().at(index)->click();
    });
}

TEST(MessageBoxAlertsTest, ButtonsInOrderFirstIsDefaultAnswerIsTheIndex) {
    testing::ensureTestApplication();
    MessageBoxAlerts alerts;
    AlertSpec spec{"tarvex Failed to Start",
                   "details",
                   AlertStyle::critical,
                   {"Stop Service", "View Logs and Stop"}};
    std::vector<QString> titles;
    QString defaultTitle;
    clickMessageBoxButton(1, &titles, &defaultTitle);
    EXPECT_EQ(alerts.runModal(spec), 1);
    EXPECT_EQ(titles, (std::vector<QString>{"Stop Service", "View Logs and Stop"}));
    EXPECT_EQ(defaultTitle, QStringLiteral("Stop Service"));

    titles.clear();
    clickMessageBoxButton(0, &titles, &defaultTitle);
    EXPECT_EQ(alerts.runModal(AlertSpec{"Uninstall", "Done.", AlertStyle::informational, {}}), 0);
    EXPECT_EQ(titles, (std::vector<QString>{"OK"}));
}

TEST(MessageBoxAlertsTest, AnAlertClosedWithoutAClickHasNoAnswer) {
    testing::ensureTestApplication();
    MessageBoxAlerts alerts;
    // What a quit request does to an open alert: its loop ends with no button clicked.
    QTimer::singleShot(0, [] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        box->done(0);
    });
    EXPECT_EQ(alerts.runModal(AlertSpec{"tarvex Failed to Start",
                                        "details",
                                        AlertStyle::critical,
                                        {"Stop Service", "View Logs and Stop"}}),
              NO_ANSWER);
}

TEST(QtAppHostTest, TerminateEndsTheApplicationEvenWithAnAlertOpen) {
    testing::ensureTestApplication();
    QtAppHost host;
    int stopped = 0;
    host.beforeQuit = [&stopped] { ++stopped; };
    MessageBoxAlerts alerts;
    int answer = 99;
    QTimer::singleShot(0, [&] {
        QTimer::singleShot(0, [&host] { host.terminate(); });
        answer = alerts.runModal(AlertSpec{"tarvex Failed to Start",
                                           "details",
                                           AlertStyle::critical,
                                           {"Stop Service", "View Logs and Stop"}});
    });
    // Should the quit be swallowed, this ends the wait with a status that fails the test.
    QTimer failsafe;
    failsafe.setSingleShot(true);
    QObject::connect(&failsafe, &QTimer::timeout, [] {
        if (QWidget* box = QApplication::activeModalWidget()) {
            box->hide();
        }
        QCoreApplication::exit(1);
    });
    failsafe.start(10000);
    EXPECT_EQ(QApplication::exec(), 0);
    EXPECT_EQ(answer, NO_ANSWER) << "an alert closed by the quit answers nothing";
    EXPECT_EQ(stopped, 1);
}

TEST(MessageBoxAlertsTest, EachLogPathShowsWholeTheTextReadsExactlyAndTheReasonShowsOpen) {
    testing::ensureTestApplication();
    MessageBoxAlerts alerts;
    const QString path = QStringLiteral("/home/someone/.local/share/tarvex-%1/log/launchd.err.log")
                             .arg(QString(25, 'a'));
    const QString informative = QStringLiteral(
                                    "The service has not started after 30 seconds. The process "
                                    "may be crashing on startup.\n\nCheck logs for details:\n\n") +
                                path + QLatin1Char('\n') + path;
    QTimer::singleShot(0, [&path, &informative] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        const auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel"));
        ASSERT_NE(label, nullptr);
        // A label at least as wide as the path cannot have broken it.
        EXPECT_GE(label->contentsRect().width(),
                  QFontMetrics(label->font()).horizontalAdvance(path));
        EXPECT_TRUE(label->text().contains(path));
        // What a screen reader reads, and what the user copies, is the text as given.
        EXPECT_EQ(QAccessible::queryAccessibleInterface(const_cast<QLabel*>(label))
                      ->text(QAccessible::Name),
                  informative);
        const auto* details = box->findChild<QTextEdit*>();
        ASSERT_NE(details, nullptr);
        EXPECT_TRUE(details->isVisible()) << "the reason shows without a click";
        EXPECT_EQ(details->toPlainText(), QStringLiteral("why"));
        box->buttons().at(0)->click();
    });
    alerts.runModal(AlertSpec{"tarvex Failed to Start",
                              informative,
                              AlertStyle::critical,
                              {"Stop Service", "View Logs and Stop"},
                              "why"});
}

// Every other window is blocked while an alert is up, so Quit's key is given to the alert.
TEST(MessageBoxAlertsTest, QuitsKeyWorksWhileAnAlertIsOpen) {
    testing::ensureTestApplication();
    QAction quit(QStringLiteral("Quit Monitor"));
    quit.setShortcut(QKeySequence(QStringLiteral("Ctrl+Q")));
    quit.setShortcutContext(Qt::ApplicationShortcut);
    int quits = 0;
    QObject::connect(&quit, &QAction::triggered, [&quits] { ++quits; });
    MessageBoxAlerts alerts;
    alerts.setWindowActions({&quit});
    QTimer::singleShot(0, [] {
        QWidget* box = QApplication::activeModalWidget();
        ASSERT_NE(box, nullptr);
        ASSERT_TRUE(QTest::qWaitForWindowActive(box));
        QTest::keyClick(box, Qt::Key_Q, Qt::ControlModifier);
        box->close();
    });
    alerts.runModal(AlertSpec{"tarvex Failed to Start", "details", AlertStyle::critical, {"OK"}});
    EXPECT_EQ(quits, 1);
}

}  // namespace
}  // namespace tarvex
