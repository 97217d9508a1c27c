#include <QAction>
#include <QPointer>

#include "monitor/controller/TarvexMenuBarApp.h"
#include "monitor/host/Installation.h"
#include "monitor/ui/StatusIcon.h"

namespace tarvex {

namespace {

// What distinguishes start, stop and restart; the sequence around them is the same.
struct LockedOperation {
    ServiceOperation kind;
    const char* prompt;
    ServiceState iconState;
    const char* statusLine;
    const char* command;
    const char* failureTitle;
};

constexpr LockedOperation kStart{
    ServiceOperation::start,
    "tarvex Monitor needs your password to start the database service.",
    ServiceState::starting,
    "tarvex: Starting…",
    "start",
    "Start Failed"};
constexpr LockedOperation kStop{ServiceOperation::stop,
                                "tarvex Monitor needs your password to stop the database service.",
                                ServiceState::stopping,
                                "tarvex: Stopping…",
                                "stop",
                                "Stop Failed"};
constexpr LockedOperation kRestart{
    ServiceOperation::restart,
    "tarvex Monitor needs your password to restart the database service.",
    ServiceState::starting,
    "tarvex: Restarting…",
    "restart",
    "Restart Failed"};

void showIcon(TarvexMenuBarApp& app, ServiceState state) {
    if (app.statusItem) {
        app.statusItem->setIcon(makeStatusIcon(state));
    }
}

void runLockedOperation(TarvexMenuBarApp& app, const LockedOperation& operation) {
    if (app.serviceOperationInProgress) {
        return;
    }
    if (!app.authorize(operation.prompt)) {
        return;
    }
    app.serviceOperationInProgress = true;
    if (app.statusTimer) {
        app.statusTimer->stop();
    }
    showIcon(app, operation.iconState);
    if (app.statusMenuItem) {
        app.statusMenuItem->setText(QString::fromUtf8(operation.statusLine));
    }
    app.applyButtonState();
    QPointer<TarvexMenuBarApp> guard(&app);
    const std::string failureTitle = operation.failureTitle;
    const ServiceOperation kind = operation.kind;
    app.seams().runner.run(operation.command, {},
                           [guard, failureTitle, kind](bool success, const std::string& output) {
                               if (!guard) {
                                   return;
                               }
                               guard->serviceOperationInProgress = false;
                               guard->notifications().operationFinished(kind, success);
                               if (!success) {
                                   guard->showResult(false, output, failureTitle);
                               }
                               guard->refreshStatus();
                           });
}

}  // namespace

bool TarvexMenuBarApp::authorize(const std::string& prompt) {
    if (seams_.authorizer.authorizeAdmin(prompt)) {
        return true;
    }
    // A refusal by the user stays silent; a check that could not run at all is told.
    const std::string reason = seams_.authorizer.unavailableReason();
    if (!reason.empty()) {
        seams_.app.activate();
        seams_.alerts.runModal(
            AlertSpec{tr("Cannot Ask for the Administrator Password").toStdString(),
                      reason,
                      AlertStyle::warning,
                      {}});
    }
    return false;
}

bool TarvexMenuBarApp::confirmAction(const std::string& message, const std::string& info) {
    seams_.app.activate();
    // "Cancel" comes first and is therefore the default: Return never confirms.
    const int answer = seams_.alerts.runModal(
        AlertSpec{message, info, AlertStyle::critical, {"Cancel", "Confirm"}});
    return answer == 1;
}

void TarvexMenuBarApp::showResult(bool success, const std::string&, const std::string& title) {
    // The tool's output stays out of the alert; the log files hold the details.
    seams_.alerts.runModal(AlertSpec{title,
                                     success ? std::string("Done.") : logDetailsText(),
                                     success ? AlertStyle::informational : AlertStyle::critical,
                                     {}});
}

void TarvexMenuBarApp::startService() {
    runLockedOperation(*this, kStart);
}

void TarvexMenuBarApp::stopService() {
    runLockedOperation(*this, kStop);
}

void TarvexMenuBarApp::restartService() {
    runLockedOperation(*this, kRestart);
}

void TarvexMenuBarApp::setupService() {
    if (serviceOperationInProgress) {
        return;
    }
    if (!confirmAction("Initialize Database?",
                       "This will erase all database data and bootstrap a fresh instance.\n"
                       "Configuration and plugins will be preserved.\n\nThis cannot be undone.")) {
        return;
    }
    if (!authorize("tarvex Monitor needs your password to initialize the "
                   "database. All current data will be erased.")) {
        return;
    }
    serviceOperationInProgress = true;
    showIcon(*this, ServiceState::starting);
    // Polling goes on during the initialization; each answer is applied locked.
    refreshStatus();
    QPointer<TarvexMenuBarApp> guard(this);
    seams_.runner.run("initialize", {}, [guard](bool success, const std::string& output) {
        if (!guard) {
            return;
        }
        guard->serviceOperationInProgress = false;
        guard->showResult(success, output, "Initialize Database");
        guard->refreshStatus();
    });
}

void TarvexMenuBarApp::uninstallService() {
    // Deliberately not blocked by a running operation: uninstalling must stay possible.
    if (!confirmAction("Uninstall tarvex?",
                       "This will stop the service and remove all installed files, config, and "
                       "data.\nThis cannot be undone.")) {
        return;
    }
    if (!authorize("tarvex Monitor needs your password to uninstall tarvex and remove all data.")) {
        return;
    }
    QPointer<TarvexMenuBarApp> guard(this);
    AppHost& host = seams_.app;  // outlives the controller
    seams_.runner.run("uninstall", {}, [guard, &host](bool success, const std::string& output) {
        if (guard) {
            guard->showResult(success, output, "Uninstall");
        }
        if (success) {
            host.terminate();
        } else if (guard) {
            guard->refreshStatus();
        }
    });
}

}  // namespace tarvex
