#pragma once

#include <QObject>
#include <QTimer>

#include <chrono>
#include <optional>

#include "monitor/desktop/Seams.h"
#include "monitor/privileged/PrivilegedRunner.h"
#include "monitor/ui/StatusModel.h"
#include "shared/HelperProtocol.h"

namespace tarvex {

class ModalDeferral;

inline constexpr std::chrono::seconds STATUS_INTERVAL_STABLE{10};
inline constexpr std::chrono::seconds STATUS_INTERVAL_TRANSIENT{1};
// A service loaded this long without a running process is failing to start.
inline constexpr std::chrono::seconds STARTUP_FAILURE_TIMEOUT{30};

// Asks the helper for the status, one request at a time, and feeds each answer to the model:
// every ten seconds, every second while the service is on its way up or down. It watches for a
// service that does not come up and tells the model so. Its timers are children named
// "statusTimer" and "statusAnswerDeadline"; both wait while an alert or the status menu is open.
class StatusPoller : public QObject {
    Q_OBJECT

public:
    StatusPoller(StatusModel& model, PrivilegedRunner& runner, Clock& clock,
                 ModalDeferral& deferral, QObject* parent = nullptr);

    // Sends a status request unless one is awaited.
    void refreshStatus();
    // Tells a start-up failure first; then, unless its alert began an operation, the model
    // takes the answer and the next poll is armed.
    void applyStatus(const StatusAnswer& answer);
    // Arms the poll for the state the model shows now.
    void scheduleNextPoll();
    // For an operation that holds the lock: no poll, and the answer on its way (which tells
    // the state from before the operation) is no longer waited for.
    void pause();
    // Stops both timers, with the poll held back behind an open menu or alert.
    void stop();
    // The start-up that failed has had its alert, whatever came of it.
    void markStartupFailureTold() { startupFailureShown_ = true; }

private:
    // A status request unanswered this long counts as a failed answer, but never before the
    // helper has given up on the status run in flight and the one queued behind it. Operations
    // have no such deadline: the helper's reply may wait for a password and then the tool.
    static constexpr std::chrono::seconds STATUS_ANSWER_TIMEOUT{60};
    static_assert(STATUS_ANSWER_TIMEOUT >= 2 * STATUS_RUN_LIMIT);

    void receive(quint64 generation, const HelperAnswer& reply);
    void answerTimedOut();
    // The answer as the model takes it, with what the installation probe finds now.
    StatusAnswer judge(const HelperAnswer& reply);
    void trackStartup(const TarvexStatus& status);
    void forgetRequest();

    StatusModel& model_;
    PrivilegedRunner& runner_;
    Clock& clock_;
    ModalDeferral& deferral_;
    QTimer statusTimer_{this};  // one-shot; armed only by scheduleNextPoll()
    QTimer statusAnswerDeadline_{this};
    bool inFlight_ = false;
    quint64 generation_ = 0;  // answers to older requests are ignored

    // When the service was last seen loaded but not running, and whether that was told.
    std::optional<std::chrono::system_clock::time_point> startingSince_;
    bool startupFailureShown_ = false;
};

}  // namespace tarvex
