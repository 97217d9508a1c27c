#include "monitor/controller/TarvexMenuBarApp.h"
#include "monitor/ui/StatusTexts.h"

#include <QAction>
#include <QGuiApplication>
#include <QMenu>
#include <QSettings>

#include <chrono>

#include "monitor/controller/HelperReachability.h"
#include "monitor/host/Installation.h"
#include "monitor/ui/MainWindowController.h"
#include "monitor/ui/SettingsWindowController.h"
#include "monitor/ui/StatusIcon.h"

namespace tarvex {

namespace {

int milliseconds(double seconds) {
    return static_cast<int>(seconds * 1000.0);
}

const QString SHOW_NOTIFICATIONS_KEY = QStringLiteral("notifications/show");

}  // namespace

TarvexMenuBarApp::TarvexMenuBarApp(MonitorSeams seams, QObject* parent)
    : QObject(parent),
      settingsController(
          std::make_unique<SettingsWindowController>(seams.runner, seams.alerts, seams.app)),
      mainWindowController(std::make_unique<MainWindowController>()),
      launchedFromInstalledApp(seams.bundle.bundlePath() == MONITOR_APP_PATH),
      seams_(seams),
      notifications_(seams.notifier),
      modalDeferral_(new ModalDeferral(this)) {
    notifications_.setEnabled(QSettings().value(SHOW_NOTIFICATIONS_KEY, true).toBool());
    SettingsWindowController* settings = settingsController.get();
    connect(settings, &SettingsWindowController::showNotificationsToggled, this,
            &TarvexMenuBarApp::setShowNotifications);
    connect(settings, &SettingsWindowController::startAtLoginToggled, this,
            &TarvexMenuBarApp::setStartAtLogin);

    MainWindowController* window = mainWindowController.get();
    connect(window, &MainWindowController::startRequested, this, &TarvexMenuBarApp::startService);
    connect(window, &MainWindowController::stopRequested, this, &TarvexMenuBarApp::stopService);
    connect(window, &MainWindowController::restartRequested, this,
            &TarvexMenuBarApp::restartService);
    connect(window, &MainWindowController::viewLogsRequested, this, &TarvexMenuBarApp::viewLogs);
    connect(window, &MainWindowController::saveLogsRequested, this, &TarvexMenuBarApp::saveLogs);
    connect(window, &MainWindowController::settingsRequested, this,
            &TarvexMenuBarApp::openSettings);
    connect(window, &MainWindowController::runDoctorRequested, this, &TarvexMenuBarApp::runDoctor);
    connect(window, &MainWindowController::initializeRequested, this,
            &TarvexMenuBarApp::setupService);
    connect(window, &MainWindowController::uninstallRequested, this,
            &TarvexMenuBarApp::uninstallService);

    statusAnswerDeadline_ = new QTimer(this);
    statusAnswerDeadline_->setObjectName(QStringLiteral("statusAnswerDeadline"));
    statusAnswerDeadline_->setSingleShot(true);
    statusAnswerDeadline_->setInterval(STATUS_ANSWER_TIMEOUT_MS);
    connect(statusAnswerDeadline_, &QTimer::timeout, this, &TarvexMenuBarApp::statusAnswerTimedOut);
}

TarvexMenuBarApp::~TarvexMenuBarApp() {
    delete menu;
}

void TarvexMenuBarApp::applicationDidFinishLaunching(LaunchMode mode) {
    statusItem = new QSystemTrayIcon(this);
    statusItem->setIcon(makeStatusIcon(ServiceState::stopped));
    connect(statusItem, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                statusBarClicked(reason, QGuiApplication::keyboardModifiers());
            });
    const bool trayAvailable = seams_.app.trayAvailable();
    if (trayAvailable) {
        statusItem->show();
    }

    buildMenu();
#ifndef Q_OS_MACOS
    // Desktop trays show an attached menu themselves on a right click (StatusNotifierItem hosts
    // read it over D-Bus) and still report a left click as a trigger; on macOS it would take
    // over every click, so there it is attached only while it is up.
    statusItem->setContextMenu(menu);
#endif

    // Without a tray the window is the application's presence: it offers the status menu.
    if (!trayAvailable) {
        connect(mainWindowController.get(), &MainWindowController::contextMenuRequested, this,
                &TarvexMenuBarApp::popUpStatusMenu);
    }
    // Without a tray the window is the only way in, so it shows even in the background mode.
    if (mode == LaunchMode::ordinary || !trayAvailable) {
        mainWindowController->showWindow();
    }

    refreshStatus();
    startAppRemovalMonitor();
}

void TarvexMenuBarApp::refreshStatus() {
    if (statusRefreshInFlight) {
        return;
    }
    statusRefreshInFlight = true;
    const quint64 generation = ++statusRequestGeneration_;
    statusAnswerDeadline_->start();
    QPointer<TarvexMenuBarApp> self(this);
    seams_.runner.runReporting(
        "status", {}, [self, generation](bool success, std::string output, HelperFault fault) {
            if (self) {
                self->receiveStatusAnswer(generation, success, output, fault);
            }
        });
}

void TarvexMenuBarApp::receiveStatusAnswer(quint64 generation, bool success,
                                           const std::string& output, HelperFault fault) {
    // An answer to a request already given up on must not overtake the current one.
    if (!statusRefreshInFlight || generation != statusRequestGeneration_) {
        return;
    }
    statusAnswerDeadline_->stop();
    statusRefreshInFlight = false;
    helperFault_ = fault;
    const TarvexStatus status = success ? TarvexStatus::parse(output) : TarvexStatus{};
    applyStatus(status);
    notifications_.statusApplied(status, success, serviceOperationInProgress);
}

void TarvexMenuBarApp::statusAnswerTimedOut() {
    if (!statusRefreshInFlight) {
        return;
    }
    ++statusRequestGeneration_;
    statusRefreshInFlight = false;
    helperFault_ = HelperFault::noAnswer;
    applyStatus(TarvexStatus{});
    notifications_.statusApplied(TarvexStatus{}, false, serviceOperationInProgress);
}

void TarvexMenuBarApp::applyStatus(const TarvexStatus& status) {
    currentStatus = status;
    const ServiceState state = status.state();

    if (!status.launchdLoaded || state == ServiceState::active || serviceOperationInProgress) {
        startingStateStartTime.reset();
        startupFailureShown = false;
    } else {
        const auto now = seams_.clock.now();
        if (status.processRunning) {
            startingStateStartTime = now;
            startupFailureShown = false;
        } else if (!startingStateStartTime) {
            startingStateStartTime = now;
        }
        const double waited = std::chrono::duration<double>(now - *startingStateStartTime).count();
        if (!startupFailureShown && waited > STARTUP_FAILURE_TIMEOUT) {
            startupFailureShown = true;
            showStartupFailure();
        }
    }

    if (statusItem != nullptr) {
        statusItem->setIcon(makeStatusIcon(state));
    }
    statusMenuItem->setText(statusLineText(status));
    portMenuItem->setText(portLineText(status));

    // While the helper cannot be reached the service actions could only fail.
    const bool unlocked = !serviceOperationInProgress;
    const bool serviceActions = unlocked && helperFault_ == HelperFault::none;
    startItem->setEnabled(serviceActions && state == ServiceState::stopped);
    stopItem->setEnabled(serviceActions && state == ServiceState::active);
    restartItem->setEnabled(serviceActions && state == ServiceState::active);
    settingsItem->setEnabled(unlocked);
    setupItem->setEnabled(serviceActions);

    mainWindowController->update(status, serviceOperationInProgress);
    showHelperState();
    scheduleNextPoll();
}

void TarvexMenuBarApp::showHelperState() {
    const bool reachable = helperFault_ == HelperFault::none;
    const QString explanation =
        reachable ? QString() : HelperReachability::explanation(helperFault_);
    refreshToolTip();
    mainWindowController->showHelperProblem(tr("The helper cannot be reached"), explanation);
}

void TarvexMenuBarApp::setShowNotifications(bool on) {
    QSettings().setValue(SHOW_NOTIFICATIONS_KEY, on);
    notifications_.setEnabled(on);
}

void TarvexMenuBarApp::setStartAtLogin(bool on) {
    const std::string failure = seams_.loginItem.setEnabled(on);
    if (failure.empty()) {
        return;
    }
    settingsController->setMonitorOptions(notifications_.enabled(), seams_.loginItem.enabled());
    seams_.alerts.runModal(AlertSpec{
        tr("Cannot Change the Login Item").toStdString(), failure, AlertStyle::warning, {}});
}

void TarvexMenuBarApp::scheduleNextPoll() {
    if (statusTimer == nullptr) {
        statusTimer = new QTimer(this);
        statusTimer->setObjectName(QStringLiteral("statusTimer"));
        statusTimer->setSingleShot(true);
        connect(statusTimer, &QTimer::timeout, this,
                [this] { modalDeferral_->runWhenIdle(statusTimer, [this] { refreshStatus(); }); });
    }
    statusTimer->stop();
    const ServiceState state = currentStatus.state();
    const bool transient = state == ServiceState::starting || state == ServiceState::stopping;
    statusTimer->start(
        milliseconds(transient ? STATUS_INTERVAL_TRANSIENT : STATUS_INTERVAL_STABLE));
}

void TarvexMenuBarApp::applyButtonState() {
    startItem->setEnabled(false);
    stopItem->setEnabled(false);
    restartItem->setEnabled(false);
    settingsItem->setEnabled(false);
    setupItem->setEnabled(false);
    mainWindowController->update(currentStatus, true);
}

void TarvexMenuBarApp::showStartupFailure() {
    seams_.app.activate();
    AlertSpec alert;
    alert.message = tr("tarvex Failed to Start").toStdString();
    alert.informativeText = tr("The service has not started after %1 seconds. The process may be "
                               "crashing on startup.")
                                .arg(static_cast<long long>(STARTUP_FAILURE_TIMEOUT))
                                .toStdString() +
                            "\n\n" + logDetails();
    alert.style = AlertStyle::critical;
    alert.buttons = {tr("Stop Service").toStdString(), tr("View Logs and Stop").toStdString()};
    notifications_.startupFailed(static_cast<int>(STARTUP_FAILURE_TIMEOUT));
    const int answer = seams_.alerts.runModal(alert);
    if (answer == NO_ANSWER) {
        return;  // the application is quitting (a logout): that is not a request to stop
    }
    if (answer == 1) {
        viewLogs();
    }
    QPointer<TarvexMenuBarApp> self(this);
    seams_.runner.run("stop", {}, [self](bool, std::string) {
        if (self) {
            self->refreshStatus();
        }
    });
}

}  // namespace tarvex
