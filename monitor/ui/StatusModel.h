#pragma once

#include <QObject>
#include <QString>

#include <chrono>
#include <optional>
#include <string>

#include "monitor/privileged/PrivilegedRunner.h"
#include "monitor/status/TarvexStatus.h"
#include "monitor/ui/ShownState.h"

namespace tarvex {

// The operations that hold the lock while they run.
enum class ServiceOperation { start, stop, restart };

// One answer to a status request, as the controller received it.
struct StatusAnswer {
    TarvexStatus status;  // the report as read; all defaults when there was none
    // False when there is no status to read: the helper could not be reached or did not answer,
    // or the status run failed.
    bool answered = true;
    HelperFault fault = HelperFault::none;  // why the helper could not be reached
    QString failure;                        // what a failed status run printed
    bool installed = true;                  // the service's core installation is there
    std::chrono::system_clock::time_point at{};
};

// What the monitor knows about the service: the last status answer, whether it said anything,
// whether the installation is there, and whether one of our operations holds the lock. The tray
// icon, the status menu, the main window, the settings window and the commands' enabling follow
// it through changed().
class StatusModel : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    // The last status read, or the all-defaults record after an answer without one.
    const TarvexStatus& status() const { return status_; }
    // False until the first answer, when everything still reads "Unknown".
    bool hasStatus() const { return hasStatus_; }
    bool operationInProgress() const { return operationInProgress_; }

    // What the last answer says, Unknown before the first.
    ShownState state() const;
    // The state the icon shows: an operation's own until the next status, else state().
    ShownState iconState() const;
    // "tarvex: ..." as the status menu and the tooltip show it: an operation's own line until the
    // next status, else stateLine(), the line of state() as the main window shows it.
    QString statusLine() const;
    QString stateLine() const;
    QString portLine() const;
    // While the state is Unknown or Not installed: why, in one short sentence, and the same with
    // what to do about it. Empty otherwise.
    QString reason() const;
    QString explanation() const;
    // While the state is Unknown: the last status read and when ("Last seen Active at 14:02").
    QString lastSeenLine() const;

    // The enabling rules. While an operation holds the lock, or its outcome has not been read yet,
    // none of the guarded commands; while the state is Unknown, none of those that go through the
    // helper; while Not installed, only what needs no installation; before the first answer,
    // everything.
    bool canStart() const;
    bool canStop() const;
    bool canRestart() const;
    bool canOpenSettings() const;
    bool canInitialize() const;
    bool canUninstall() const;
    // The logs, their export and the diagnosis, which read the installation.
    bool canRunMaintenance() const;

    // A status answer. Ends what showOperation() showed.
    void applyStatus(const StatusAnswer& answer);
    // A status read, or none when the helper could not be reached for it.
    void applyStatus(const TarvexStatus& status, HelperFault fault);
    void setOperationInProgress(bool inProgress);
    // An operation under way: its icon, and its status line when not empty, until the next status.
    void showOperation(ServiceState iconState, const QString& statusLine = {});
    // An operation that never ran (its authorization was refused): the last answer again.
    void endOperationLook();
    // What the user should hear of: the reply to an operation the user asked for (`reason`: why
    // it failed, in one line), and a service that has not come up for `seconds`.
    void reportOperation(ServiceOperation operation, bool success, const QString& reason) {
        emit operationFinished(operation, success, reason);
    }
    void reportStartupFailure(int seconds) { emit startupFailed(seconds); }

signals:
    void changed();
    // After changed(), for every status answer applied.
    void answerApplied(const StatusAnswer& answer);
    void operationFinished(ServiceOperation operation, bool success, const QString& reason);
    void startupFailed(int seconds);

private:
    struct Seen {
        TarvexStatus status;
        std::chrono::system_clock::time_point at;
    };

    bool locked() const;
    // A service command: only while the state is a service state, and then only in `needed`.
    bool serviceCommandFor(std::optional<ShownState> needed) const;

    TarvexStatus status_;
    bool hasStatus_ = false;
    bool answered_ = true;
    bool installed_ = true;
    HelperFault helperFault_ = HelperFault::none;
    QString failure_;
    std::chrono::system_clock::time_point answeredAt_{};
    std::optional<Seen> lastSeen_;
    bool operationInProgress_ = false;
    std::optional<ServiceState> operationIcon_;
    QString operationLine_;
};

}  // namespace tarvex
