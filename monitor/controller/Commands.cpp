#include <QAction>
#include <QCursor>
#include <QGuiApplication>
#include <QMenu>

#include "monitor/controller/TarvexMenuBarApp.h"
#include "monitor/desktop/Platform.h"
#include "monitor/ui/MainWindowController.h"
#include "monitor/ui/SettingsWindowController.h"
#include "monitor/ui/StatusMenu.h"

namespace tarvex {

// What each command runs; its texts and keys come with its action. The switch has no default:
// a command added without a handler is a warning, and warnings are errors in CI.
void TarvexMenuBarApp::connectCommands() {
    for (std::size_t i = 0; i < COMMAND_COUNT; ++i) {
        const auto command = static_cast<Command>(i);
        connect(action(command), &QAction::triggered, this, [this, command] {
            switch (command) {
                case Command::start:
                    return commands_.startService();
                case Command::stop:
                    return commands_.stopService();
                case Command::restart:
                    return commands_.restartService();
                case Command::viewLogs:
                    return commands_.viewLogs();
                case Command::saveLogs:
                    return commands_.saveLogs();
                case Command::settings:
                    return openSettings();
                case Command::doctor:
                    return commands_.runDoctor();
                case Command::initialize:
                    return commands_.setupService();
                case Command::uninstall:
                    return commands_.uninstallService();
                case Command::quit:
                    return quitMonitor();
            }
        });
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
    const bool wantsMenu =
        reason == QSystemTrayIcon::Context ||
        (reason == QSystemTrayIcon::Trigger && modifiers.testFlag(platform::controlKey()));
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
