#pragma once

#include <QCoreApplication>

#include <optional>

#include "monitor/desktop/Notifier.h"
#include "monitor/status/TarvexStatus.h"
#include "monitor/ui/StatusModel.h"

namespace tarvex {

// Decides what the desktop hears about the service: a service that stopped without an
// operation of this monitor (it was active at the last answer), each start, stop and restart
// once the service is seen where it was sent (or seen failing to get there), a request that
// failed, and the start-up failure. The first answer after launch only sets the baseline, and
// nothing is sent while notifications are switched off.
class ServiceNotifications {
    Q_DECLARE_TR_FUNCTIONS(ServiceNotifications)

public:
    explicit ServiceNotifications(Notifier& notifier);

    void setEnabled(bool on) { enabled_ = on; }
    bool enabled() const { return enabled_; }
    // Hears of every answer, operation and start-up failure through the model's signals.
    void follow(const StatusModel& model);

    // Every status answer as applied. `known`: the helper answered (a failed request says
    // nothing about the service). `operationInProgress`: this monitor is changing the service.
    void statusApplied(const TarvexStatus& status, bool known, bool operationInProgress);
    // The reply to an operation; `reason`: why it failed, in one line (may be empty).
    void operationFinished(ServiceOperation operation, bool success, const QString& reason = {});
    void startupFailed(int seconds);

private:
    // Whether `status` tells how the awaited operation ended; if so, says it.
    bool tellOutcome(ServiceOperation operation, const TarvexStatus& status);
    void sendFailure(ServiceOperation operation, const QString& reason);
    void send(const QString& summary, const QString& body, NotificationUrgency urgency);

    Notifier& notifier_;
    bool enabled_ = true;
    // The state at the last answer that can be compared with the next; none at launch, after
    // an operation of ours and while the helper cannot be reached.
    std::optional<ServiceState> baseline_;
    // An operation whose reply said it was done, until an answer shows where the service went.
    std::optional<ServiceOperation> awaited_;
};

}  // namespace tarvex
