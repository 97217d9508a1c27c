#include <QAction>
#include <QCoreApplication>
#include <QPointer>

#include "monitor/controller/TarvexMenuBarApp.h"
#include "monitor/host/Installation.h"
#include "monitor/ui/StatusTexts.h"

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

// The texts are translated where they are shown.
constexpr LockedOperation kStart{
    ServiceOperation::start,
    QT_TRANSLATE_NOOP("tarvex::TarvexMenuBarApp",
                      "tarvex Monitor needs your password to start the database service."),
    ServiceState::starting,
    QT_TRANSLATE_NOOP("tarvex::TarvexMenuBarApp", "tarvex: Starting…"),
    "start",
    QT_TRANSLATE_NOOP("tarvex::TarvexMenuBarApp", "Start Failed")};
constexpr LockedOperation kStop{
    ServiceOperation::stop,
    QT_TRANSLATE_NOOP("tarvex::TarvexMenuBarApp",
                      "tarvex Monitor needs your password to stop the database service."),
    ServiceState::stopping,
    QT_TRANSLATE_NOOP("tarvex::TarvexMenuBarApp", "tarvex: Stopping…"),
    "stop",
    QT_TRANSLATE_NOOP("tarvex::TarvexMenuBarApp", "Stop Failed")};
constexpr LockedOperation kRestart{
    ServiceOperation::restart,
    QT_TRANSLATE_NOOP("tarvex::TarvexMenuBarApp",
                      "tarvex Monitor needs your password to restart the database service."),
    ServiceState::starting,
    QT_TRANSLATE_NOOP("tarvex::TarvexMenuBarApp", "tarvex: Restarting…"),
    "restart",
    QT_TRANSLATE_NOOP("tarvex::TarvexMenuBarApp", "Restart Failed")};

std::string translated(const char* text) {
    return TarvexMenuBarApp::tr(text).toStdString();
}

const LockedOperation& lockedOperation(int kind) {
    static constexpr const LockedOperation* operations[] = {&kStart, &kStop, &kRestart};
    return *operations[kind];
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
        AlertSpec{message,
                  info,
                  AlertStyle::critical,
                  {QCoreApplication::translate("Alerts", "Cancel").toStdString(),
                   tr("Confirm").toStdString()}});
    return answer == 1;
}

void TarvexMenuBarApp::showResult(bool success, const std::string&, const std::string& title) {
    // The tool's output stays out of the alert; the log files hold the details.
    seams_.alerts.runModal(AlertSpec{title,
                                     success ? tr("Done.").toStdString() : logDetails(),
                                     success ? AlertStyle::informational : AlertStyle::critical,
                                     {}});
}

void TarvexMenuBarApp::runLockedOperation(LockedKind kind) {
    const LockedOperation& operation = lockedOperation(static_cast<int>(kind));
    if (model_.operationInProgress()) {
        return;
    }
    if (!authorize(translated(operation.prompt))) {
        return;
    }
    if (statusTimer_ != nullptr) {
        statusTimer_->stop();
    }
    model_.setOperationInProgress(true);
    model_.showOperation(operation.iconState, tr(operation.statusLine));
    QPointer<TarvexMenuBarApp> guard(this);
    const std::string failureTitle = translated(operation.failureTitle);
    const ServiceOperation notified = operation.kind;
    seams_.runner.run(operation.command, {},
                      [guard, failureTitle, notified](bool success, const std::string& output) {
                          if (!guard) {
                              return;
                          }
                          guard->model_.setOperationInProgress(false);
                          guard->notifications_.operationFinished(notified, success);
                          if (!success) {
                              guard->showResult(false, output, failureTitle);
                          }
                          guard->refreshStatus();
                      });
}

void TarvexMenuBarApp::startService() {
    runLockedOperation(LockedKind::start);
}

void TarvexMenuBarApp::stopService() {
    runLockedOperation(LockedKind::stop);
}

void TarvexMenuBarApp::restartService() {
    runLockedOperation(LockedKind::restart);
}

void TarvexMenuBarApp::setupService() {
    if (model_.operationInProgress()) {
        return;
    }
    if (!confirmAction(tr("Initialize Database?").toStdString(),
                       tr("This will erase all database data and bootstrap a fresh instance.\n"
                          "Configuration and plugins will be preserved.\n\nThis cannot be undone.")
                           .toStdString())) {
        return;
    }
    if (!authorize(tr("tarvex Monitor needs your password to initialize the database. All current "
                      "data will be erased.")
                       .toStdString())) {
        return;
    }
    model_.setOperationInProgress(true);
    model_.showOperation(ServiceState::starting);
    // Polling goes on during the initialization; each answer is applied locked.
    refreshStatus();
    QPointer<TarvexMenuBarApp> guard(this);
    seams_.runner.run("initialize", {}, [guard](bool success, const std::string& output) {
        if (!guard) {
            return;
        }
        guard->model_.setOperationInProgress(false);
        guard->showResult(success, output, tr("Initialize Database").toStdString());
        guard->refreshStatus();
    });
}

void TarvexMenuBarApp::uninstallService() {
    // Deliberately not blocked by a running operation: uninstalling must stay possible.
    if (!confirmAction(tr("Uninstall tarvex?").toStdString(),
                       tr("This will stop the service and remove all installed files, config, and "
                          "data.\nThis cannot be undone.")
                           .toStdString())) {
        return;
    }
    if (!authorize(tr("tarvex Monitor needs your password to uninstall tarvex and remove all data.")
                       .toStdString())) {
        return;
    }
    QPointer<TarvexMenuBarApp> guard(this);
    AppHost& host = seams_.app;  // outlives the controller
    seams_.runner.run("uninstall", {}, [guard, &host](bool success, const std::string& output) {
        if (guard) {
            guard->showResult(success, output, tr("Uninstall").toStdString());
        }
        if (success) {
            host.terminate();
        } else if (guard) {
            guard->refreshStatus();
        }
    });
}

}  // namespace tarvex
