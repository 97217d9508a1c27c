#include <QAction>
#include <QCursor>
#include <QGuiApplication>
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

// What each command runs; its texts and keys come with its action.
void TarvexMenuBarApp::connectCommands() {
    const std::pair<Command, void (ServiceCommands::*)()> handlers[] = {
        {Command::start, &ServiceCommands::startService},
        {Command::stop, &ServiceCommands::stopService},
        {Command::restart, &ServiceCommands::restartService},
        {Command::viewLogs, &ServiceCommands::viewLogs},
        {Command::saveLogs, &ServiceCommands::saveLogs},
        {Command::doctor, &ServiceCommands::runDoctor},
        {Command::initialize, &ServiceCommands::setupService},
        {Command::uninstall, &ServiceCommands::uninstallService},
    };
    for (const auto& [command, handler] : handlers) {
        connect(action(command), &QAction::triggered, &commands_, handler);
    }
    connect(action(Command::settings), &QAction::triggered, this, &TarvexMenuBarApp::openSettings);
    connect(action(Command::quit), &QAction::triggered, this, &TarvexMenuBarApp::quitMonitor);
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
