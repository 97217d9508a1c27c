#pragma once

#include <QObject>
#include <QString>

#include <optional>

#include "monitor/privileged/PrivilegedRunner.h"
#include "monitor/status/TarvexStatus.h"

namespace tarvex {

// What the monitor knows about the service: the last status applied, whether the helper could be
// reached for it, and whether one of our operations holds the lock. The tray icon, the status
// menu, the main window and the commands' enabling follow it through changed().
class StatusModel : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    const TarvexStatus& status() const { return status_; }
    // False until the first answer, when everything still reads "Unknown".
    bool hasStatus() const { return hasStatus_; }
    HelperFault helperFault() const { return helperFault_; }
    bool helperReachable() const { return helperFault_ == HelperFault::none; }
    bool operationInProgress() const { return operationInProgress_; }

    // The state the icon shows: an operation's own until the next status, else the status's.
    ServiceState iconState() const;
    // "tarvex: ..." as the status menu and the tooltip show it.
    QString statusLine() const;
    QString portLine() const;

    // The enabling rules of the guarded commands. While an operation holds the lock, or its
    // outcome has not been read yet, none of them; while the helper cannot be reached, only
    // Settings, since the others could only fail; before the first answer, all of them.
    bool canStart() const;
    bool canStop() const;
    bool canRestart() const;
    bool canOpenSettings() const;
    bool canInitialize() const;

    // A status answer (or the all-defaults status when there was none) and why the helper could
    // not be reached for it. Ends what showOperation() showed.
    void applyStatus(const TarvexStatus& status, HelperFault fault);
    void setOperationInProgress(bool inProgress);
    // An operation under way: its icon, and its status line when not empty, until the next status.
    void showOperation(ServiceState iconState, const QString& statusLine = {});

signals:
    void changed();

private:
    bool locked() const;
    bool serviceCommandFor(ServiceState needed) const;

    TarvexStatus status_;
    bool hasStatus_ = false;
    HelperFault helperFault_ = HelperFault::none;
    bool operationInProgress_ = false;
    std::optional<ServiceState> operationIcon_;
    QString operationLine_;
};

}  // namespace tarvex
