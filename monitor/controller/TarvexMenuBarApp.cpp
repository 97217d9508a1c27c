#include "monitor/controller/TarvexMenuBarApp.h"

#include <QAction>
#include <QGuiApplication>
#include <QMenu>

#include <chrono>

#include "monitor/host/Installation.h"
#include "monitor/ui/MainWindowController.h"
#include "monitor/ui/SettingsWindowController.h"
#include "monitor/ui/StatusIcon.h"

namespace tarvex {

namespace {

int milliseconds(double seconds) {
    return static_cast<int>(seconds * 1000.0);
}

}  // namespace

TarvexMenuBarApp::TarvexMenuBarApp(MonitorSeams seams, QObject* parent)
    : QObject(parent),
      settingsController(
          std::make_unique<SettingsWindowController>(seams.runner, seams.alerts, seams.app)),
      mainWindowController(std::make_unique<MainWindowController>()),
      launchedFromInstalledApp(seams.bundle.bundlePath() == MONITOR_APP_PATH),
      seams_(seams) {
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

void TarvexMenuBarApp::applicationDidFinishLaunching() {
    statusItem = new QSystemTrayIcon(this);
    statusItem->setIcon(makeStatusIcon(ServiceState::stopped));
    statusItem->setToolTip(QStringLiteral("tarvex Monitor"));
    connect(statusItem, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                statusBarClicked(reason, QGuiApplication::keyboardModifiers());
            });
    const bool trayAvailable = QSystemTrayIcon::isSystemTrayAvailable();
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
    mainWindowController->showWindow();

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
    seams_.runner.run("status", {}, [self, generation](bool success, std::string output) {
        if (self) {
            self->receiveStatusAnswer(generation, success, output);
        }
    });
}

void TarvexMenuBarApp::receiveStatusAnswer(quint64 generation, bool success,
                                           const std::string& output) {
    // An answer to a request already given up on must not overtake the current one.
    if (!statusRefreshInFlight || generation != statusRequestGeneration_) {
        return;
    }
    statusAnswerDeadline_->stop();
    statusRefreshInFlight = false;
    applyStatus(success ? TarvexStatus::parse(output) : TarvexStatus{});
}

void TarvexMenuBarApp::statusAnswerTimedOut() {
    if (!statusRefreshInFlight) {
        return;
    }
    ++statusRequestGeneration_;
    statusRefreshInFlight = false;
    applyStatus(TarvexStatus{});
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
    statusMenuItem->setText(QString::fromStdString("tarvex: " + status.summary()));
    portMenuItem->setText(
        QString::fromStdString("Port: " + (status.port.empty() ? std::string("--") : status.port)));

    const bool unlocked = !serviceOperationInProgress;
    startItem->setEnabled(unlocked && state == ServiceState::stopped);
    stopItem->setEnabled(unlocked && state == ServiceState::active);
    restartItem->setEnabled(unlocked && state == ServiceState::active);
    settingsItem->setEnabled(unlocked);
    setupItem->setEnabled(unlocked);

    mainWindowController->update(status, serviceOperationInProgress);
    scheduleNextPoll();
}

void TarvexMenuBarApp::scheduleNextPoll() {
    if (statusTimer == nullptr) {
        statusTimer = new QTimer(this);
        statusTimer->setObjectName(QStringLiteral("statusTimer"));
        statusTimer->setSingleShot(true);
        connect(statusTimer, &QTimer::timeout, this, &TarvexMenuBarApp::refreshStatus);
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
    alert.message = "tarvex Failed to Start";
    alert.informativeText = "The service has not started after " +
                            std::to_string(static_cast<long long>(STARTUP_FAILURE_TIMEOUT)) +
                            " seconds. The process may be crashing on startup.\n\n" +
                            logDetailsText();
    alert.style = AlertStyle::critical;
    alert.buttons = {"Stop Service", "View Logs and Stop"};
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
