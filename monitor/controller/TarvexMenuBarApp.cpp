#include "monitor/controller/TarvexMenuBarApp.h"

#include <QAction>
#include <QGuiApplication>
#include <QMenu>
#include <QSettings>

#include <chrono>

#include "monitor/host/Installation.h"
#include "monitor/host/Probes.h"
#include "monitor/ui/FailureDetails.h"
#include "monitor/ui/MainWindowController.h"
#include "monitor/ui/SettingsWindowController.h"
#include "monitor/ui/StatusMenu.h"
#include "monitor/ui/StatusTexts.h"

namespace tarvex {

namespace {

int milliseconds(double seconds) {
    return static_cast<int>(seconds * 1000.0);
}

const QString SHOW_NOTIFICATIONS_KEY = QStringLiteral("notifications/show");

}  // namespace

TarvexMenuBarApp::TarvexMenuBarApp(MonitorSeams seams, QObject* parent)
    : QObject(parent),
      seams_(seams),
      actions_(new CommandActions(this)),
      settingsController_(std::make_unique<SettingsWindowController>(
          seams.runner, seams.alerts, seams.app, SettingsWindowController::BootStatusReader{},
          this)),
      mainWindowController_(std::make_unique<MainWindowController>(model_, *actions_, this)),
      launchedFromInstalledApp_(seams.bundle.bundlePath() == MONITOR_APP_PATH),
      notifications_(seams.notifier),
      modalDeferral_(new ModalDeferral(this)) {
    notifications_.setEnabled(QSettings().value(SHOW_NOTIFICATIONS_KEY, true).toBool());
    connect(settingsController_.get(), &SettingsWindowController::showNotificationsToggled, this,
            &TarvexMenuBarApp::setShowNotifications);
    connect(settingsController_.get(), &SettingsWindowController::startAtLoginToggled, this,
            &TarvexMenuBarApp::setStartAtLogin);
    connectCommands();
    actions_->follow(model_);
    settingsController_->follow(model_);

    statusAnswerDeadline_ = new QTimer(this);
    statusAnswerDeadline_->setObjectName(QStringLiteral("statusAnswerDeadline"));
    statusAnswerDeadline_->setSingleShot(true);
    statusAnswerDeadline_->setInterval(STATUS_ANSWER_TIMEOUT_MS);
    connect(statusAnswerDeadline_, &QTimer::timeout, this, &TarvexMenuBarApp::statusAnswerTimedOut);
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

    refreshStatus();
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
#ifndef Q_OS_MACOS
    // Desktop trays show an attached menu themselves on a right click (StatusNotifierItem hosts
    // read it over D-Bus) and still report a left click as a trigger; on macOS it would take
    // over every click, so there it is attached only while it is up.
    statusItem()->setContextMenu(statusMenu_->menu());
#endif
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

void TarvexMenuBarApp::refreshStatus() {
    if (statusRefreshInFlight_) {
        return;
    }
    statusRefreshInFlight_ = true;
    const quint64 generation = ++statusRequestGeneration_;
    statusAnswerDeadline_->start();
    QPointer<TarvexMenuBarApp> self(this);
    seams_.runner.runPrivileged(QStringLiteral("status"), [self, generation](HelperAnswer answer) {
        if (self) {
            self->receiveStatusAnswer(generation, answer);
        }
    });
}

// An operation that holds the lock reads no status until its reply: the timer stops, a poll held
// back behind the menu or an alert is dropped, and an answer already on its way, which tells the
// state from before the operation, is no longer waited for.
void TarvexMenuBarApp::pausePolling() {
    if (statusTimer_ != nullptr) {
        statusTimer_->stop();
    }
    modalDeferral_->cancel(statusTimer_);
    if (statusRefreshInFlight_) {
        ++statusRequestGeneration_;
        statusRefreshInFlight_ = false;
        statusAnswerDeadline_->stop();
    }
}

void TarvexMenuBarApp::receiveStatusAnswer(quint64 generation, const HelperAnswer& reply) {
    // An answer to a request already given up on must not overtake the current one.
    if (!statusRefreshInFlight_ || generation != statusRequestGeneration_) {
        return;
    }
    statusAnswerDeadline_->stop();
    statusRefreshInFlight_ = false;
    const StatusAnswer answer = judgeAnswer(reply);
    applyStatus(answer);
    notifications_.statusApplied(answer.status, reply.success, model_.operationInProgress());
}

void TarvexMenuBarApp::statusAnswerTimedOut() {
    if (!statusRefreshInFlight_) {
        return;
    }
    ++statusRequestGeneration_;
    statusRefreshInFlight_ = false;
    applyStatus(judgeAnswer({false, {}, HelperFault::noAnswer}));
    notifications_.statusApplied(TarvexStatus{}, false, model_.operationInProgress());
}

// A failed request has no report to read: the all-defaults status stands in for it, and the
// model shows the state as unknown rather than as that record's "Stopped".
StatusAnswer TarvexMenuBarApp::judgeAnswer(const HelperAnswer& reply) {
    StatusAnswer answer;
    answer.answered = reply.success;
    answer.status =
        reply.success ? TarvexStatus::parse(reply.output.toStdString()) : TarvexStatus{};
    answer.fault = reply.fault;
    answer.failure = reply.success ? QString() : reply.output;
    answer.installed = !tarvexCoreInstallMissing();
    answer.at = seams_.clock.now();
    return answer;
}

// A start-up failure is told before the icon, menu and window change; when its alert sent the
// stop, they show the stop instead, and the stop's reply asks for the next status.
void TarvexMenuBarApp::applyStatus(const StatusAnswer& answer) {
    const bool operationBefore = model_.operationInProgress();
    trackStartup(answer.status);
    if (model_.operationInProgress() && !operationBefore) {
        return;
    }
    model_.applyStatus(answer);
    scheduleNextPoll();
}

// A service that stays loaded without a running process for too long is failing to start.
void TarvexMenuBarApp::trackStartup(const TarvexStatus& status) {
    if (!status.launchdLoaded || status.state() == ServiceState::active ||
        model_.operationInProgress()) {
        startingStateStartTime_.reset();
        startupFailureShown_ = false;
        return;
    }
    const auto now = seams_.clock.now();
    if (status.processRunning) {
        startingStateStartTime_ = now;
        startupFailureShown_ = false;
    } else if (!startingStateStartTime_) {
        startingStateStartTime_ = now;
    }
    const double waited = std::chrono::duration<double>(now - *startingStateStartTime_).count();
    if (!startupFailureShown_ && waited > STARTUP_FAILURE_TIMEOUT) {
        startupFailureShown_ = true;
        showStartupFailure();
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

void TarvexMenuBarApp::scheduleNextPoll() {
    if (statusTimer_ == nullptr) {
        statusTimer_ = new QTimer(this);
        statusTimer_->setObjectName(QStringLiteral("statusTimer"));
        statusTimer_->setSingleShot(true);
        connect(statusTimer_, &QTimer::timeout, this,
                [this] { modalDeferral_->runWhenIdle(statusTimer_, [this] { refreshStatus(); }); });
    }
    statusTimer_->stop();
    const ServiceState state = model_.status().state();
    const bool transient = state == ServiceState::starting || state == ServiceState::stopping;
    statusTimer_->start(
        milliseconds(transient ? STATUS_INTERVAL_TRANSIENT : STATUS_INTERVAL_STABLE));
}

void TarvexMenuBarApp::showStartupFailure() {
    seams_.app.activate();
    AlertSpec alert;
    alert.message = tr("tarvex Failed to Start");
    alert.informativeText = startupFailureText(static_cast<int>(STARTUP_FAILURE_TIMEOUT)) +
                            QStringLiteral("\n\n") + logDetails();
    alert.style = AlertStyle::critical;
    alert.buttons = {tr("Stop Service"), tr("View Logs and Stop")};
    alert.details = FailureDetails::withReason({}, "start");
    notifications_.startupFailed(static_cast<int>(STARTUP_FAILURE_TIMEOUT));
    const int answer = seams_.alerts.runModal(alert);
    if (answer == NO_ANSWER) {
        return;  // the application is quitting (a logout): that is not a request to stop
    }
    if (answer == 1) {
        viewLogs();
    }
    runLockedOperation(LockedKind::stop, LockOrigin::startupFailure);
}

}  // namespace tarvex
