#include "monitor/controller/ServiceCommands.h"

#include <QCoreApplication>
#include <QPointer>

#include "monitor/controller/StatusPoller.h"
#include "monitor/host/Installation.h"
#include "monitor/ui/AuthorizationAlert.h"
#include "monitor/ui/FailureDetails.h"
#include "monitor/ui/StatusTexts.h"
#include "shared/AuthorizationText.h"

namespace tarvex {

namespace {

// What distinguishes start, stop and restart; the sequence around them is the same.
struct LockedOperation {
    ServiceOperation kind;
    ServiceState iconState;
    const char* statusLine;
    const char* command;
    const char* failureTitle;
};

// The texts are translated where they are shown.
constexpr LockedOperation kStart{ServiceOperation::start, ServiceState::starting,
                                 QT_TRANSLATE_NOOP("tarvex::ServiceCommands", "tarvex: Starting…"),
                                 "start",
                                 QT_TRANSLATE_NOOP("tarvex::ServiceCommands", "Start Failed")};
constexpr LockedOperation kStop{ServiceOperation::stop, ServiceState::stopping,
                                QT_TRANSLATE_NOOP("tarvex::ServiceCommands", "tarvex: Stopping…"),
                                "stop",
                                QT_TRANSLATE_NOOP("tarvex::ServiceCommands", "Stop Failed")};
constexpr LockedOperation kRestart{
    ServiceOperation::restart, ServiceState::starting,
    QT_TRANSLATE_NOOP("tarvex::ServiceCommands", "tarvex: Restarting…"), "restart",
    QT_TRANSLATE_NOOP("tarvex::ServiceCommands", "Restart Failed")};

const LockedOperation& lockedOperation(ServiceOperation kind) {
    static constexpr const LockedOperation* operations[] = {&kStart, &kStop, &kRestart};
    return *operations[static_cast<int>(kind)];
}

}  // namespace

ServiceCommands::ServiceCommands(MonitorSeams seams, StatusModel& model, StatusPoller& poller,
                                 QObject* parent)
    : QObject(parent),
      seams_(seams),
      model_(model),
      poller_(poller),
      terminalScripts_(seams.terminal, this) {}

bool ServiceCommands::authorize(std::string_view command) {
    const std::string prompt(promptFor(command));
    return seams_.authorizer.authorizeAdmin(
        QCoreApplication::translate(PASSWORD_PROMPT_CONTEXT, prompt.c_str()));
}

bool ServiceCommands::endRefused(std::string_view command, const HelperAnswer& reply,
                                 const QString& failureTitle) {
    const std::optional<AuthorizationRefusal> refusal =
        authorizationRefusal(command, reply.success, reply.output.toStdString());
    if (!refusal) {
        return false;
    }
    showLastStatus();
    if (const std::optional<AlertSpec> alert =
            authorizationAlert(*refusal, failureTitle, AlertStyle::critical)) {
        seams_.app.activate();
        seams_.alerts.runModal(*alert);
    }
    return true;
}

void ServiceCommands::showLastStatus() {
    if (model_.operationInProgress()) {
        return;  // another operation holds the lock (an uninstall may run beside it)
    }
    if (!model_.hasStatus()) {
        poller_.refreshStatus();  // the first answer, in flight or asked for now, ends the look
        return;
    }
    model_.endOperationLook();
    poller_.scheduleNextPoll();
}

bool ServiceCommands::confirmAction(const QString& message, const QString& info) {
    seams_.app.activate();
    // "Cancel" comes first and is therefore the default: Return never confirms.
    const QString cancel = QCoreApplication::translate("Alerts", "Cancel");
    const QString confirm = tr("Confirm");
    const int answer =
        seams_.alerts.runModal(AlertSpec{message, info, AlertStyle::critical, {cancel, confirm}});
    return answer == 1;
}

void ServiceCommands::showResult(bool success, const QString& title, const QString& details) {
    // The text points to the log files; why it failed is told in the details.
    seams_.alerts.runModal(AlertSpec{title,
                                     success ? tr("Done.") : logDetails(),
                                     success ? AlertStyle::informational : AlertStyle::critical,
                                     {},
                                     success ? QString() : details});
}

void ServiceCommands::runLockedOperation(ServiceOperation kind, Origin origin) {
    const LockedOperation& operation = lockedOperation(kind);
    const bool byUser = origin == Origin::user;
    if (byUser && (model_.operationInProgress() || !authorize(operation.command))) {
        return;
    }
    // Locked until the reply, which on Linux may wait for the password the helper asks for.
    poller_.pause();
    model_.setOperationInProgress(true);
    model_.showOperation(operation.iconState, tr(operation.statusLine));
    QPointer<ServiceCommands> guard(this);
    const std::string command = operation.command;
    const QString failureTitle = tr(operation.failureTitle);
    const ServiceOperation notified = operation.kind;
    seams_.runner.runPrivileged(
        QString::fromStdString(command),
        [guard, command, failureTitle, notified, byUser](const HelperAnswer& answer) {
            if (!guard) {
                return;
            }
            guard->model_.setOperationInProgress(false);
            if (!byUser) {
                guard->poller_.markStartupFailureTold();
            }
            if (guard->endRefused(command, answer, failureTitle)) {
                return;
            }
            // The stop after a start-up failure shows its outcome only through the next status.
            if (byUser) {
                guard->model_.reportOperation(notified, answer.success,
                                              FailureDetails::line(answer.output, answer.fault));
            }
            // While the failure alert is open the tray shows the state, not the operation.
            const bool alert = byUser && !answer.success;
            if (alert) {
                guard->model_.endOperationLook();
            }
            guard->poller_.refreshStatus();
            if (alert) {
                guard->showResult(false, failureTitle, FailureDetails::forReply(command, answer));
            }
        });
}

void ServiceCommands::startService() {
    runLockedOperation(ServiceOperation::start);
}

void ServiceCommands::stopService() {
    runLockedOperation(ServiceOperation::stop);
}

void ServiceCommands::restartService() {
    runLockedOperation(ServiceOperation::restart);
}

void ServiceCommands::setupService() {
    if (model_.operationInProgress()) {
        return;
    }
    if (!confirmAction(
            tr("Initialize Database?"),
            tr("This will erase all database data and bootstrap a fresh instance.\n"
               "Configuration and plugins will be preserved.\n\nThis cannot be undone."))) {
        return;
    }
    if (!authorize("initialize")) {
        return;
    }
    model_.setOperationInProgress(true);
    model_.showOperation(ServiceState::starting);
    // Polling goes on during the initialization; each answer is applied locked.
    poller_.refreshStatus();
    QPointer<ServiceCommands> guard(this);
    seams_.runner.runPrivileged(QStringLiteral("initialize"), [guard](const HelperAnswer& answer) {
        if (!guard) {
            return;
        }
        guard->model_.setOperationInProgress(false);
        const QString title = tr("Initialize Database");
        if (guard->endRefused("initialize", answer, title)) {
            return;
        }
        guard->showResult(answer.success, title, FailureDetails::forReply("initialize", answer));
        guard->poller_.refreshStatus();
    });
}

void ServiceCommands::uninstallService() {
    // Deliberately not blocked by a running operation: uninstalling must stay possible.
    if (!confirmAction(tr("Uninstall tarvex?"),
                       tr("This will stop the service and remove all installed files, config, and "
                          "data.\nThis cannot be undone."))) {
        return;
    }
    if (!authorize("uninstall")) {
        return;
    }
    QPointer<ServiceCommands> guard(this);
    AppHost& host = seams_.app;  // outlives the controller
    seams_.runner.runPrivileged(QStringLiteral("uninstall"), [guard,
                                                              &host](const HelperAnswer& answer) {
        const QString title = tr("Uninstall");
        if (guard && guard->endRefused("uninstall", answer, title)) {
            return;
        }
        if (guard) {
            guard->showResult(answer.success, title, FailureDetails::forReply("uninstall", answer));
        }
        if (answer.success) {
            host.terminate();
        } else if (guard) {
            guard->poller_.refreshStatus();
        }
    });
}

void ServiceCommands::showStartupFailure(int seconds) {
    seams_.app.activate();
    AlertSpec alert;
    alert.message = tr("tarvex Failed to Start");
    alert.informativeText = startupFailureText(seconds) + QStringLiteral("\n\n") + logDetails();
    alert.style = AlertStyle::critical;
    alert.buttons = {tr("Stop Service"), tr("View Logs and Stop")};
    alert.details = FailureDetails::withReason({}, "start");
    const int answer = seams_.alerts.runModal(alert);
    if (answer == NO_ANSWER) {
        return;  // the application is quitting (a logout): that is not a request to stop
    }
    if (answer == 1) {
        viewLogs();
    }
    runLockedOperation(ServiceOperation::stop, Origin::startupFailure);
}

}  // namespace tarvex
