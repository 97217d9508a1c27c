#include <QAction>
#include <QCursor>
#include <QGuiApplication>
#include <QKeySequence>
#include <QMenu>

#include "monitor/controller/HelperReachability.h"
#include "monitor/controller/TarvexMenuBarApp.h"
#include "monitor/ui/MainWindowController.h"
#include "monitor/ui/SettingsWindowController.h"
#include "monitor/ui/StatusTexts.h"

namespace tarvex {

namespace {

// The key the user calls Control: on macOS Qt reports it as Meta (Control there is Command).
#ifdef Q_OS_MACOS
constexpr Qt::KeyboardModifier CONTROL_KEY = Qt::MetaModifier;
#else
constexpr Qt::KeyboardModifier CONTROL_KEY = Qt::ControlModifier;
#endif

}  // namespace

void TarvexMenuBarApp::buildMenu() {
    menu = new QMenu();
    menu->setObjectName(QStringLiteral("statusMenu"));

    auto addInfoLine = [this](const QString& title) {
        QAction* item = menu->addAction(title);
        item->setEnabled(false);
        return item;
    };
    auto addCommand = [this](const QString& title, void (TarvexMenuBarApp::*action)(),
                             const QKeySequence& shortcut = {}) {
        QAction* item = menu->addAction(title);
        item->setShortcut(shortcut);
        connect(item, &QAction::triggered, this, action);
        return item;
    };

    statusMenuItem = addInfoLine(statusLineText(tr("Unknown")));
    portMenuItem = addInfoLine(portLineText(TarvexStatus{}));
    // The tray's tooltip repeats these two lines, whichever part of the monitor rewrites them.
    for (QAction* line : {statusMenuItem, portMenuItem}) {
        connect(line, &QAction::changed, this, &TarvexMenuBarApp::refreshToolTip);
    }
    refreshToolTip();
    menu->addSeparator();
    startItem = addCommand(tr("Start Service"), &TarvexMenuBarApp::startService);
    stopItem = addCommand(tr("Stop Service"), &TarvexMenuBarApp::stopService);
    restartItem = addCommand(tr("Restart Service"), &TarvexMenuBarApp::restartService);
    menu->addSeparator();
    addCommand(tr("View Logs..."), &TarvexMenuBarApp::viewLogs);
    addCommand(tr("Save Logs to…"), &TarvexMenuBarApp::saveLogs);
    menu->addSeparator();
    // "Ctrl" is the Command key on macOS.
    settingsItem = addCommand(tr("Settings..."), &TarvexMenuBarApp::openSettings,
                              QKeySequence(QStringLiteral("Ctrl+,")));
    addCommand(tr("Run Doctor"), &TarvexMenuBarApp::runDoctor);
    menu->addSeparator();
    setupItem = addCommand(tr("Initialize Database"), &TarvexMenuBarApp::setupService);
    addCommand(tr("Uninstall..."), &TarvexMenuBarApp::uninstallService);
    menu->addSeparator();
    QAction* quitItem = addCommand(tr("Quit Monitor"), &TarvexMenuBarApp::quitMonitor,
                                   QKeySequence(QStringLiteral("Ctrl+Q")));

    // Both keys work in every window of the application, not only while the menu is open.
    const QList<QAction*> everywhere = {settingsItem, quitItem};
    for (QAction* action : everywhere) {
        action->setShortcutContext(Qt::ApplicationShortcut);
    }
    mainWindowController->addSharedActions(everywhere);
    settingsController->addSharedActions(everywhere);
}

void TarvexMenuBarApp::refreshToolTip() {
    if (statusItem != nullptr && statusMenuItem != nullptr && portMenuItem != nullptr) {
        QString tip = statusMenuItem->text() + QLatin1Char('\n') + portMenuItem->text();
        if (helperFault_ != HelperFault::none) {
            tip += QLatin1Char('\n') + HelperReachability::explanation(helperFault_);
        }
        statusItem->setToolTip(tip);
    }
}

void TarvexMenuBarApp::statusBarClicked(QSystemTrayIcon::ActivationReason reason,
                                        Qt::KeyboardModifiers modifiers) {
    if (reason == QSystemTrayIcon::Context && statusItem != nullptr &&
        statusItem->contextMenu() != nullptr) {
        return;  // the tray shows the attached menu itself
    }
    const bool wantsMenu = reason == QSystemTrayIcon::Context ||
                           (reason == QSystemTrayIcon::Trigger && modifiers.testFlag(CONTROL_KEY));
    if (wantsMenu) {
        popUpStatusMenu(QCursor::pos());
    } else {
        mainWindowController->showWindow();
    }
}

// The menu is attached only while it is up, so that the next plain click reaches
// statusBarClicked again; exec returns once the menu has closed.
void TarvexMenuBarApp::popUpStatusMenu(const QPoint& globalPosition) {
    if (menu != nullptr) {
        menu->exec(globalPosition);
    }
}

bool TarvexMenuBarApp::applicationShouldHandleReopen() {
    mainWindowController->showWindow();
    return true;
}

void TarvexMenuBarApp::applicationShouldTerminate() {
    if (statusTimer != nullptr) {
        statusTimer->stop();
    }
    if (appRemovalTimer != nullptr) {
        appRemovalTimer->stop();
    }
    statusAnswerDeadline_->stop();
}

void TarvexMenuBarApp::openSettings() {
    if (serviceOperationInProgress) {
        return;
    }
    if (settingsController) {
        settingsController->setMonitorOptions(notifications_.enabled(), seams_.loginItem.enabled());
        settingsController->showWindow();
    }
}

void TarvexMenuBarApp::quitMonitor() {
    applicationShouldTerminate();
    seams_.app.terminate();
}

void TarvexMenuBarApp::openMainWindow() {
    mainWindowController->showWindow();
}

}  // namespace tarvex
