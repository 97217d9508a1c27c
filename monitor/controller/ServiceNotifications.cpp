#include "monitor/controller/ServiceNotifications.h"

#include "monitor/ui/StatusTexts.h"

namespace tarvex {

ServiceNotifications::ServiceNotifications(Notifier& notifier) : notifier_(notifier) {}

// The model outlives nothing it is connected to here: the connections go with it.
void ServiceNotifications::follow(const StatusModel& model) {
    QObject::connect(&model, &StatusModel::answerApplied, &model,
                     [this, &model](const StatusAnswer& answer) {
                         statusApplied(answer.status, answer.answered, model.operationInProgress());
                     });
    QObject::connect(&model, &StatusModel::operationFinished, &model,
                     [this](ServiceOperation operation, bool success, const QString& reason) {
                         operationFinished(operation, success, reason);
                     });
    QObject::connect(&model, &StatusModel::startupFailed, &model,
                     [this](int seconds) { startupFailed(seconds); });
}

void ServiceNotifications::statusApplied(const TarvexStatus& status, bool known,
                                         bool operationInProgress) {
    if (!known || operationInProgress) {
        baseline_.reset();
        return;
    }
    const ServiceState state = status.state();
    if (awaited_) {
        if (tellOutcome(*awaited_, status)) {
            awaited_.reset();
        }
    } else if (baseline_ == ServiceState::active && state != ServiceState::active) {
        send(tr("tarvex stopped"),
             tr("The database service stopped without a request from tarvex Monitor. "
                "It now reports: %1")
                 .arg(summaryText(status)),
             NotificationUrgency::critical);
    }
    baseline_ = state;
}

// A start or restart ends once the service is seen active, and has failed once it is seen going
// down; a stop ends once it is seen stopped, and has failed once it is seen coming up.
bool ServiceNotifications::tellOutcome(ServiceOperation operation, const TarvexStatus& status) {
    const ServiceState state = status.state();
    const bool stop = operation == ServiceOperation::stop;
    const ServiceState reached = stop ? ServiceState::stopped : ServiceState::active;
    const ServiceState onTheWay = stop ? ServiceState::stopping : ServiceState::starting;
    if (state == onTheWay) {
        return false;
    }
    if (state != reached) {
        sendFailure(operation, tr("It now reports: %1").arg(summaryText(status)));
        return true;
    }
    switch (operation) {
        case ServiceOperation::start:
            send(tr("tarvex started"), tr("The database service was started."),
                 NotificationUrgency::normal);
            break;
        case ServiceOperation::stop:
            send(tr("tarvex stopped"), tr("The database service was stopped."),
                 NotificationUrgency::normal);
            break;
        case ServiceOperation::restart:
            send(tr("tarvex restarted"), tr("The database service was restarted."),
                 NotificationUrgency::normal);
            break;
    }
    return true;
}

void ServiceNotifications::operationFinished(ServiceOperation operation, bool success,
                                             const QString& reason) {
    // The next answers show the outcome of our own request: that is told, not as news.
    baseline_.reset();
    awaited_.reset();
    if (success) {
        awaited_ = operation;
        return;
    }
    sendFailure(operation, reason);
}

void ServiceNotifications::sendFailure(ServiceOperation operation, const QString& reason) {
    QString summary;
    QString body;
    switch (operation) {
        case ServiceOperation::start:
            summary = tr("Start Failed");
            body = tr("The database service could not be started.");
            break;
        case ServiceOperation::stop:
            summary = tr("Stop Failed");
            body = tr("The database service could not be stopped.");
            break;
        case ServiceOperation::restart:
            summary = tr("Restart Failed");
            body = tr("The database service could not be restarted.");
            break;
    }
    if (!reason.isEmpty()) {
        body += QLatin1Char('\n') + reason;
    }
    send(summary, body, NotificationUrgency::critical);
}

void ServiceNotifications::startupFailed(int seconds) {
    awaited_.reset();
    send(tr("tarvex Failed to Start"), startupFailureText(seconds), NotificationUrgency::critical);
}

void ServiceNotifications::send(const QString& summary, const QString& body,
                                NotificationUrgency urgency) {
    if (enabled_) {
        notifier_.notify(summary, body, urgency);
    }
}

}  // namespace tarvex
