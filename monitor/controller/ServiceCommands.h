#pragma once

#include <QObject>
#include <QString>

#include <string>
#include <string_view>

#include "monitor/controller/MonitorSeams.h"
#include "monitor/desktop/TerminalScript.h"
#include "monitor/ui/StatusModel.h"

namespace tarvex {

class StatusPoller;

// Carries out what the user asks of the service: the operations, the logs, the diagnosis, and
// the answer to a start-up failure. Operations that hold the lock pause the poll until their
// reply; every outcome reaches the model, which the views and the notifications follow.
class ServiceCommands : public QObject {
    Q_OBJECT

public:
    ServiceCommands(MonitorSeams seams, StatusModel& model, StatusPoller& poller,
                    QObject* parent = nullptr);

    void startService();
    void stopService();
    void restartService();
    void setupService();
    void uninstallService();
    void viewLogs();
    void saveLogs();
    void runDoctor();
    // The alert of a service that has not started, with the stop it offers.
    void showStartupFailure(int seconds);

    // `details`: why a failure came about, shown with its alert.
    void showResult(bool success, const QString& title, const QString& details = {});
    bool confirmAction(const QString& message, const QString& info);

private:
    // startupFailure: the stop after the start-up failure alert, which asks for no password
    // itself and reports its outcome only through the next status.
    enum class Origin { user, startupFailure };
    void runLockedOperation(ServiceOperation operation, Origin origin = Origin::user);
    // Asks for the administrator right for `command` with its prompt, where the monitor asks
    // itself (macOS, the demo); on Linux the helper asks when the request arrives.
    bool authorize(std::string_view command);
    // When the helper's authorization check refused `command`: shows the last status again
    // (nothing ran), tells the user why unless the dialog was dismissed, and answers true.
    bool endRefused(std::string_view command, const HelperAnswer& reply,
                    const QString& failureTitle);
    void showLastStatus();
    void runInTerminal(const std::string& subcommand);

    MonitorSeams seams_;
    StatusModel& model_;
    StatusPoller& poller_;
    TerminalScriptLauncher terminalScripts_;
};

}  // namespace tarvex
