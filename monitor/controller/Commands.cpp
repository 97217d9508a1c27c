#include <QAction>
#include <QCursor>
#include <QGuiApplication>
#include <QKeySequence>
#include <QMenu>

#include "monitor/controller/TarvexMenuBarApp.h"
#include "monitor/ui/MainWindowController.h"
#include "monitor/ui/SettingsWindowController.h"
#include "monitor/ui/StatusMenu.h"

namespace tarvex {

namespace {

// The key the user calls Control: on macOS Qt reports it as Meta (Control there is Command).
#ifdef Q_OS_MACOS
constexpr Qt::KeyboardModifier CONTROL_KEY = Qt::MetaModifier;
#else
constexpr Qt::KeyboardModifier CONTROL_KEY = Qt::ControlModifier;
#endif

}  // namespace

// Each command's menu title, key and handler, in one table.
void TarvexMenuBarApp::connectCommands() {
    struct Entry {
        Command command;
        QString title;
        void (ServiceCommands::*handler)();
        QKeySequence shortcut;
    };
    // "Ctrl" is the Command key on macOS.
    const Entry entries[] = {
        {Command::start, tr("Start Service"), &ServiceCommands::startService, {}},
        {Command::stop, tr("Stop Service"), &ServiceCommands::stopService, {}},
        {Command::restart, tr("Restart Service"), &ServiceCommands::restartService, {}},
        {Command::viewLogs, tr("View Logs..."), &ServiceCommands::viewLogs, {}},
        {Command::saveLogs, tr("Save Logs to…"), &ServiceCommands::saveLogs, {}},
        {Command::settings, tr("Settings..."), nullptr, QKeySequence(QStringLiteral("Ctrl+,"))},
        {Command::doctor, tr("Run Doctor"), &ServiceCommands::runDoctor, {}},
        {Command::initialize, tr("Initialize Database"), &ServiceCommands::setupService, {}},
        {Command::uninstall, tr("Uninstall..."), &ServiceCommands::uninstallService, {}},
        {Command::quit, tr("Quit Monitor"), nullptr, QKeySequence(QStringLiteral("Ctrl+Q"))},
    };
    for (const Entry& entry : entries) {
        QAction* item = action(entry.command);
        item->setText(entry.title);
        item->setShortcut(entry.shortcut);
        if (entry.handler != nullptr) {
            connect(item, &QAction::triggered, &commands_, entry.handler);
        }
    }
    connect(action(Command::settings), &QAction::triggered, this, &TarvexMenuBarApp::openSettings);
    connect(action(Command::quit), &QAction::triggered, this, &TarvexMenuBarApp::quitMonitor);
    // Both keys work in every window of the application, not only while the menu is open.
    for (Command command : {Command::settings, Command::quit}) {
        action(command)->setShortcutContext(Qt::ApplicationShortcut);
    }
    settingsController_->addSharedActions({action(Command::settings), action(Command::quit)});
}

void TarvexMenuBarApp::buildMenu() {
    if (statusMenu_ == nullptr) {
        statusMenu_ = new StatusMenu(model_, actions_, this);
    }
}

void TarvexMenuBarApp::statusBarClicked(QSystemTrayIcon::ActivationReason reason,
                                        Qt::KeyboardModifiers modifiers) {
    if (reason == QSystemTrayIcon::Context && statusItem() != nullptr &&
        statusItem()->contextMenu() != nullptr) {
        return;  // the tray shows the attached menu itself
    }
    const bool wantsMenu = reason == QSystemTrayIcon::Context ||
                           (reason == QSystemTrayIcon::Trigger && modifiers.testFlag(CONTROL_KEY));
    if (wantsMenu) {
        popUpStatusMenu(QCursor::pos());
    } else {
        mainWindowController_->showWindow();
    }
}

// The menu is attached only while it is up, so that the next plain click reaches
// statusBarClicked again; exec returns once the menu has closed.
void TarvexMenuBarApp::popUpStatusMenu(const QPoint& globalPosition) {
    if (statusMenu_ != nullptr) {
        statusMenu_->menu()->exec(globalPosition);
    }
}

bool TarvexMenuBarApp::applicationShouldHandleReopen() {
    windowStandsInForTray_ = false;  // the user asked for it
    mainWindowController_->showWindow();
    return true;
}

// With the work they held back behind an open menu or alert.
void TarvexMenuBarApp::stopTimers() {
    poller_.stop();
    appRemovalTimer_.stop();
    modalDeferral_.cancel(&appRemovalTimer_);
}

void TarvexMenuBarApp::applicationShouldTerminate() {
    stopTimers();
}

void TarvexMenuBarApp::openSettings() {
    if (model_.operationInProgress()) {
        return;
    }
    settingsController_->setMonitorOptions(notifications_.enabled(), seams_.loginItem.enabled());
    settingsController_->showWindow();
}

void TarvexMenuBarApp::quitMonitor() {
    applicationShouldTerminate();
    seams_.app.terminate();
}

}  // namespace tarvex
