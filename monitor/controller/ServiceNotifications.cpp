#include "monitor/controller/ServiceNotifications.h"

#include "monitor/ui/StatusTexts.h"

namespace tarvex {

ServiceNotifications::ServiceNotifications(Notifier& notifier) : notifier_(notifier) {}

void ServiceNotifications::statusApplied(const TarvexStatus& status, bool known,
                                         bool operationInProgress) {
    if (!known || operationInProgress) {
        baseline_.reset();
        return;
    }
    const ServiceState state = status.state();
    if (baseline_ == ServiceState::active && state != ServiceState::active) {
        send(tr("tarvex stopped"),
             tr("The database service stopped without a request from tarvex Monitor. "
                "It now reports: %1")
                 .arg(summaryText(status)),
             NotificationUrgency::critical);
    }
    baseline_ = state;
}

void ServiceNotifications::operationFinished(ServiceOperation operation, bool success) {
    // The next answer shows the outcome of our own request: it is no news.
    baseline_.reset();
    if (success) {
        switch (operation) {
            case ServiceOperation::start:
                return send(tr("tarvex started"), tr("The database service was started."),
                            NotificationUrgency::normal);
            case ServiceOperation::stop:
                return send(tr("tarvex stopped"), tr("The database service was stopped."),
                            NotificationUrgency::normal);
            case ServiceOperation::restart:
                return send(tr("tarvex restarted"), tr("The database service was restarted."),
                            NotificationUrgency::normal);
        }
    }
    switch (operation) {
        case ServiceOperation::start:
            return send(tr("Start Failed"), tr("The database service could not be started."),
                        NotificationUrgency::critical);
        case ServiceOperation::stop:
            return send(tr("Stop Failed"), tr("The database service could not be stopped."),
                        NotificationUrgency::critical);
        case ServiceOperation::restart:
            return send(tr("Restart Failed"), tr("The database service could not be restarted."),
                        NotificationUrgency::critical);
    }
}

void ServiceNotifications::startupFailed(int seconds) {
    send(tr("tarvex Failed to Start"), startupFailureText(seconds), NotificationUrgency::critical);
}

void ServiceNotifications::send(const QString& summary, const QString& body,
                                NotificationUrgency urgency) {
    if (enabled_) {
        notifier_.notify(summary, body, urgency);
    }
}

}  // namespace tarvex
