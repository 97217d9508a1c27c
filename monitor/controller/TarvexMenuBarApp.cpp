#include "monitor/controller/TarvexMenuBarApp.h"

#include <QGuiApplication>
#include <QMenu>
#include <QPointer>
#include <QSettings>

#include "monitor/desktop/Platform.h"
#include "monitor/host/Installation.h"
#include "monitor/ui/MainWindowController.h"
#include "monitor/ui/SettingsWindowController.h"
#include "monitor/ui/StatusMenu.h"

namespace tarvex {

namespace {

const QString SHOW_NOTIFICATIONS_KEY = QStringLiteral("notifications/show");
constexpr std::chrono::seconds APP_REMOVAL_INTERVAL{2};

}  // namespace

TarvexMenuBarApp::TarvexMenuBarApp(MonitorSeams seams, QObject* parent)
    : QObject(parent),
      seams_(seams),
      notifications_(seams.notifier),
      poller_(model_, seams.runner, seams.clock, modalDeferral_, this),
      commands_(seams, model_, poller_, this),
      settingsController_(std::make_unique<SettingsWindowController>(
          seams.runner, seams.alerts, seams.app, SettingsWindowController::BootStatusReader{},
          this)),
      mainWindowController_(std::make_unique<MainWindowController>(model_, actions_, this)),
      launchedFromInstalledApp_(seams.bundle.bundlePath() == MONITOR_APP_PATH) {
    notifications_.setEnabled(QSettings().value(SHOW_NOTIFICATIONS_KEY, true).toBool());
    // The notification of a start-up failure goes out before its alert holds the event loop.
    notifications_.follow(model_);
    connect(&model_, &StatusModel::startupFailed, &commands_, &ServiceCommands::showStartupFailure);
    connect(settingsController_.get(), &SettingsWindowController::showNotificationsToggled, this,
            &TarvexMenuBarApp::setShowNotifications);
    connect(settingsController_.get(), &SettingsWindowController::startAtLoginToggled, this,
            &TarvexMenuBarApp::setStartAtLogin);
    connectCommands();
    actions_.follow(model_);
    settingsController_->follow(model_);

    appRemovalTimer_.setObjectName(QStringLiteral("appRemovalTimer"));
    appRemovalTimer_.setInterval(APP_REMOVAL_INTERVAL);
    connect(&appRemovalTimer_, &QTimer::timeout, this, [this] {
        modalDeferral_.runWhenIdle(&appRemovalTimer_, [this] { checkAppRemoval(); });
    });
}

TarvexMenuBarApp::~TarvexMenuBarApp() = default;

QSystemTrayIcon* TarvexMenuBarApp::statusItem() const {
    return statusTray_ != nullptr ? statusTray_->icon() : nullptr;
}

void TarvexMenuBarApp::applicationDidFinishLaunching(LaunchMode mode) {
    buildMenu();
    const bool trayAvailable = seams_.app.trayAvailable();
    if (trayAvailable) {
        showTrayIcon();
    }
    QPointer<TarvexMenuBarApp> self(this);
    seams_.app.whenTrayAppears([self] {
        if (self) {
            self->trayAppeared();
        }
    });

    // Without a tray the window is the application's presence: it offers the status menu, and
    // closing it ends the monitor rather than leave it running where nobody can reach it.
    connect(mainWindowController_.get(), &MainWindowController::contextMenuRequested, this,
            [this](const QPoint& position) {
                if (statusTray_ == nullptr) {
                    popUpStatusMenu(position);
                }
            });
    connect(mainWindowController_.get(), &MainWindowController::closed, this, [this] {
        if (!seams_.app.trayAvailable()) {
            quitMonitor();
        }
    });
    // Without a tray the window is the only way in, so it shows even in the background mode,
    // until a tray appears.
    if (mode == LaunchMode::ordinary || !trayAvailable) {
        mainWindowController_->showWindow();
    }
    windowStandsInForTray_ = mode == LaunchMode::background && !trayAvailable;

    poller_.refreshStatus();
    startAppRemovalMonitor();
}

// Made only once there is a tray: Qt decides at the first tray icon whether it speaks to a
// StatusNotifier host, and would not reach one that came later.
void TarvexMenuBarApp::showTrayIcon() {
    if (statusTray_ != nullptr) {
        return;
    }
    statusTray_ = new StatusTray(model_, this);
    connect(statusItem(), &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                statusBarClicked(reason, QGuiApplication::keyboardModifiers());
            });
    if (platform::attachesTrayMenu()) {
        statusItem()->setContextMenu(statusMenu_->menu());
    }
    statusItem()->show();
}

// A panel that starts after the monitor (at login) gets the icon, and a window shown only because
// there was no tray goes, as the background start asked.
void TarvexMenuBarApp::trayAppeared() {
    showTrayIcon();
    if (windowStandsInForTray_) {
        windowStandsInForTray_ = false;
        mainWindowController_->closeWindow();
    }
}

void TarvexMenuBarApp::setShowNotifications(bool on) {
    QSettings().setValue(SHOW_NOTIFICATIONS_KEY, on);
    notifications_.setEnabled(on);
}

void TarvexMenuBarApp::setStartAtLogin(bool on) {
    const Result changed = seams_.loginItem.setEnabled(on);
    if (changed.ok()) {
        return;
    }
    settingsController_->setMonitorOptions(notifications_.enabled(), seams_.loginItem.enabled());
    seams_.alerts.runModal(
        AlertSpec{tr("Cannot Change the Login Item"), changed.reason(), AlertStyle::warning, {}});
}

}  // namespace tarvex
