#pragma once

#include <QCoreApplication>

#include <optional>

#include "monitor/desktop/Notifier.h"
#include "monitor/status/TarvexStatus.h"

namespace tarvex {

enum class ServiceOperation { start, stop, restart };

// Decides what the desktop hears about the service: a service that stopped without an
// operation of this monitor (it was active at the last answer), each start, stop and restart
// that finished or failed, and the start-up failure. The first answer after launch only sets
// the baseline, and nothing is sent while notifications are switched off.
class ServiceNotifications {
    Q_DECLARE_TR_FUNCTIONS(ServiceNotifications)

public:
    explicit ServiceNotifications(Notifier& notifier);

    void setEnabled(bool on) { enabled_ = on; }
    bool enabled() const { return enabled_; }

    // Every status answer as applied. `known`: the helper answered (a failed request says
    // nothing about the service). `operationInProgress`: this monitor is changing the service.
    void statusApplied(const TarvexStatus& status, bool known, bool operationInProgress);
    void operationFinished(ServiceOperation operation, bool success);
    void startupFailed(int seconds);

private:
    void send(const QString& summary, const QString& body, NotificationUrgency urgency);

    Notifier& notifier_;
    bool enabled_ = true;
    // The state at the last answer that can be compared with the next; none at launch, after
    // an operation of ours and while the helper cannot be reached.
    std::optional<ServiceState> baseline_;
};

}  // namespace tarvex
