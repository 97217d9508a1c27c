#include "monitor/controller/MonitorMain.h"

#include <QApplication>
#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QKeySequence>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QMenu>
#include <QMenuBar>
#include <QThread>
#include <QTimer>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string_view>
#include <utility>

#include "monitor/controller/TarvexMenuBarApp.h"
#include "monitor/controller/Translations.h"
#include "monitor/desktop/DesktopNotifier.h"
#include "monitor/desktop/DesktopSeams.h"
#include "monitor/desktop/LoginItem.h"
#include "monitor/desktop/QuitSignals.h"
#include "monitor/host/Installation.h"
#include "monitor/privileged/AdminAuthorization.h"
#include "monitor/privileged/HelperClient.h"
#include "monitor/ui/DemoAuthorizer.h"
#include "tarvex/Version.h"

namespace tarvex {

namespace {

// A second start connects, says nothing and leaves; the first one brings its window forward.
// The first may still be on its way to listening: it holds the lock, so it is worth a retry.
bool askRunningInstanceToReopen(const QString& channel) {
    QDeadlineTimer deadline(2000);
    QLocalSocket socket;
    do {
        socket.connectToServer(channel);
        if (socket.waitForConnected(200)) {
            socket.write("reopen\n");
            socket.waitForBytesWritten(1000);
            socket.disconnectFromServer();
            return true;
        }
        QThread::msleep(50);
    } while (!deadline.hasExpired());
    return false;
}

// The lock beside the channel: whoever holds it is the one running monitor, so that two
// started at the same moment cannot both find no channel and both stay.
QString instanceLockPath(const QString& channel) {
    const QString path =
        channel.contains(QLatin1Char('/')) ? channel : QDir(QDir::tempPath()).filePath(channel);
    return path + QStringLiteral(".lock");
}

void listenForReopen(QLocalServer& server, const QString& channel, TarvexMenuBarApp& controller) {
    server.setSocketOptions(QLocalServer::UserAccessOption);
    if (!server.listen(channel)) {
        // Left behind by a run that crashed: nobody answered on it a moment ago.
        QLocalServer::removeServer(channel);
        if (!server.listen(channel)) {
            qWarning("Cannot listen for reopen requests: %s", qPrintable(server.errorString()));
            return;
        }
    }
    QObject::connect(&server, &QLocalServer::newConnection, &controller, [&server, &controller] {
        while (QLocalSocket* socket = server.nextPendingConnection()) {
            QObject::connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            controller.applicationShouldHandleReopen();
        }
    });
}

// Cut, Copy, Paste and Select All go to whatever control has the focus.
QMenuBar* buildEditMenuBar() {
    auto* menuBar = new QMenuBar(nullptr);
    QMenu* edit = menuBar->addMenu(QCoreApplication::translate("MonitorMain", "Edit"));
    auto addItem = [edit](const QString& title, QKeySequence::StandardKey key, const char* slot) {
        QAction* action = edit->addAction(title);
        action->setShortcut(QKeySequence(key));
        QObject::connect(action, &QAction::triggered, action, [slot] {
            if (QWidget* focus = QApplication::focusWidget()) {
                QMetaObject::invokeMethod(focus, slot);
            }
        });
    };
    addItem(QCoreApplication::translate("MonitorMain", "Cut"), QKeySequence::Cut, "cut");
    addItem(QCoreApplication::translate("MonitorMain", "Copy"), QKeySequence::Copy, "copy");
    addItem(QCoreApplication::translate("MonitorMain", "Paste"), QKeySequence::Paste, "paste");
    addItem(QCoreApplication::translate("MonitorMain", "Select All"), QKeySequence::SelectAll,
            "selectAll");
    return menuBar;
}

// Our options beside Qt's help and version options; the texts follow the user's language.
struct MonitorCommandLine {
    MonitorCommandLine() {
        parser.setApplicationDescription(QCoreApplication::translate(
            "MonitorCommandLine",
            "Shows the local tarvex database service in the system tray and controls it."));
        parser.addHelpOption();
        parser.addVersionOption();
        parser.addOptions({prefix, socket, demo, background});
    }

    QCommandLineParser parser;
    QCommandLineOption prefix{
        QStringLiteral("prefix"),
        QCoreApplication::translate("MonitorCommandLine",
                                    "Use the installation under <dir> instead of the standard "
                                    "paths."),
        QCoreApplication::translate("MonitorCommandLine", "dir")};
    QCommandLineOption socket{
        QStringLiteral("socket"),
        QCoreApplication::translate("MonitorCommandLine", "Reach the helper at <path>."),
        QCoreApplication::translate("MonitorCommandLine", "path")};
    QCommandLineOption demo{
        QStringLiteral("demo"),
        QCoreApplication::translate("MonitorCommandLine",
                                    "Confirm administrator actions in a dialog of the monitor.")};
    QCommandLineOption background{
        QStringLiteral("background"),
        QCoreApplication::translate("MonitorCommandLine",
                                    "Start with the tray icon only (the window where there is no "
                                    "tray).")};
};

// Help and version need no window, so they are answered without a display too.
bool asksOnlyForText(int argc, char** argv) {
    static constexpr std::string_view textOptions[] = {"--help",     "-h",        "-?",
                                                       "--help-all", "--version", "-v"};
    return std::any_of(argv + 1, argv + argc, [](std::string_view argument) {
        return std::ranges::find(textOptions, argument) != std::end(textOptions);
    });
}

bool hasDisplay() {
    return !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
           !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
}

}  // namespace

MonitorOptions parseMonitorOptions(const QStringList& arguments) {
    MonitorCommandLine commandLine;
    QCommandLineParser& parser = commandLine.parser;
    MonitorOptions options;
    if (!parser.parse(arguments)) {
        options.error = parser.errorText().toStdString();
        return options;
    }
    if (!parser.positionalArguments().isEmpty()) {
        options.error = QCoreApplication::translate("MonitorCommandLine", "Unexpected argument: %1")
                            .arg(parser.positionalArguments().constFirst())
                            .toStdString();
        return options;
    }
    for (auto [option, value] : {std::pair{&commandLine.prefix, &options.prefix},
                                 std::pair{&commandLine.socket, &options.socket}}) {
        if (!parser.isSet(*option)) {
            continue;
        }
        if (parser.value(*option).isEmpty()) {
            options.error = QCoreApplication::translate("MonitorCommandLine", "--%1 needs a value")
                                .arg(option->names().constFirst())
                                .toStdString();
            return options;
        }
        *value = parser.value(*option).toStdString();
    }
    options.demo = parser.isSet(commandLine.demo);
    options.background = parser.isSet(commandLine.background);
    options.showHelp = parser.isSet(QStringLiteral("help"));
    options.showHelpWithQtOptions = parser.isSet(QStringLiteral("help-all"));
    options.showVersion = parser.isSet(QStringLiteral("version"));
    return options;
}

std::string monitorUsage() {
    return MonitorCommandLine().parser.helpText().toStdString();
}

void setApplicationIdentity() {
    QApplication::setApplicationName(QStringLiteral("tarvex Monitor"));
    QApplication::setOrganizationName(QStringLiteral("tarvex"));
    QApplication::setApplicationVersion(QString::fromLatin1(TARVEX_VERSION));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/app/tarvex-monitor.svg")));
    // Lets the compositor match the windows to the installed desktop entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("tarvex-monitor"));
}

std::string reopenChannelName(unsigned userId, const std::string& prefix,
                              const std::string& runtimeDirectory) {
    std::string name = "tarvex-monitor-" + std::to_string(userId);
    if (!prefix.empty()) {
        // A digest, unlike std::hash, gives the same prefix the same name in every run.
        const QByteArray digest =
            QCryptographicHash::hash(QByteArray::fromStdString(prefix), QCryptographicHash::Sha256);
        name += "-" + digest.toHex().left(8).toStdString();
    }
    // The per-user runtime folder keeps the channel out of the shared temporary folder.
    if (!runtimeDirectory.empty()) {
        return runtimeDirectory + "/" + name + ".sock";
    }
    return name;
}

int runMonitor(int argc, char** argv) {
    if (asksOnlyForText(argc, argv) && !hasDisplay()) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    // The application object first: it takes Qt's own options out of the arguments.
    QApplication app(argc, argv);
    setApplicationIdentity();
    QApplication::setQuitOnLastWindowClosed(false);
    Translations translations;
    translations.use(QLocale::system());

    const MonitorOptions options = parseMonitorOptions(QCoreApplication::arguments());
    if (!options.error.empty()) {
        std::fprintf(stderr, "tarvex-monitor: %s\n\n%s", options.error.c_str(),
                     monitorUsage().c_str());
        return 2;
    }
    // Qt prints the text asked for and leaves.
    if (options.showHelpWithQtOptions) {
        MonitorCommandLine().parser.process(QCoreApplication::arguments());
    }
    if (options.showHelp) {
        MonitorCommandLine().parser.showHelp(0);
    }
    if (options.showVersion) {
        MonitorCommandLine().parser.showVersion();
    }
    if (options.prefix) {
        relocateInstallation(*options.prefix);
    }
    if (options.socket) {
        overrideHelperSocketPath(*options.socket);
    }

    // A logout's SIGTERM and a terminal's SIGINT end the event loop instead of the process, so
    // that the timers stop (aboutToQuit below) and the reopen channel is removed on the way
    // out. exit() rather than quit(), which a window may decline: a logout does not wait.
    QuitSignalWatcher quitSignals([](int) { QCoreApplication::exit(0); });
    if (!quitSignals.watching()) {
        qWarning("Cannot watch for SIGTERM and SIGINT: %s", quitSignals.error().c_str());
    }

    const QString runtimeDirectory = qEnvironmentVariable("XDG_RUNTIME_DIR");
    const QString channel = QString::fromStdString(reopenChannelName(
        static_cast<unsigned>(getuid()), options.prefix.value_or(""),
        QFileInfo(runtimeDirectory).isDir() ? runtimeDirectory.toStdString() : std::string()));
    QLockFile instanceLock(instanceLockPath(channel));
    instanceLock.setStaleLockTime(0);  // only a holder that no longer runs lets go of it
    if (!instanceLock.tryLock(0)) {
        if (!askRunningInstanceToReopen(channel)) {
            qWarning("Another tarvex Monitor is starting or running; it did not answer.");
        }
        return 0;
    }

    HelperRunner runner;
    std::unique_ptr<Authorizer> authorizer =
        options.demo ? std::make_unique<DemoAuthorizer>() : makePlatformAuthorizer();
    MessageBoxAlerts alerts;
    FileDialogSaveDialog saveDialog;
    DesktopTerminalOpener terminal;
    DesktopFileViewer fileViewer;
    SystemClock clock;
    ExecutableBundleLocator bundle;
    QtAppHost appHost;
    // Without a notification service the tray icon's balloon says it; the icon is the
    // controller's, made at launch.
    TarvexMenuBarApp* trayOwner = nullptr;
    DesktopNotifier notifier(
        QDBusConnection::sessionBus(),
        [&trayOwner](const QString& summary, const QString& body, NotificationUrgency urgency) {
            if (trayOwner != nullptr && trayOwner->statusItem() != nullptr) {
                trayOwner->statusItem()->showMessage(summary, body,
                                                     urgency == NotificationUrgency::critical
                                                         ? QSystemTrayIcon::Critical
                                                         : QSystemTrayIcon::Information);
            }
        });
    const std::unique_ptr<LoginItem> loginItem = makePlatformLoginItem(
        {QCoreApplication::applicationFilePath().toStdString(), "--background"});

    TarvexMenuBarApp controller(MonitorSeams{runner, *authorizer, alerts, saveDialog, terminal,
                                             fileViewer, clock, bundle, appHost, notifier,
                                             *loginItem});
    trayOwner = &controller;
    alerts.setWindowActions({controller.action(Command::quit)});
    appHost.beforeQuit = [&controller] { controller.applicationShouldTerminate(); };
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &controller,
                     [&controller] { controller.applicationShouldTerminate(); });

    std::unique_ptr<QMenuBar> editMenuBar(buildEditMenuBar());
    QLocalServer reopenServer;
    listenForReopen(reopenServer, channel, controller);

    const LaunchMode mode = options.background ? LaunchMode::background : LaunchMode::ordinary;
    QTimer::singleShot(0, &controller,
                       [&controller, mode] { controller.applicationDidFinishLaunching(mode); });
    app.exec();
    // Removes the channel's socket file, so that the next start does not knock on it.
    reopenServer.close();
    return 0;
}

}  // namespace tarvex
