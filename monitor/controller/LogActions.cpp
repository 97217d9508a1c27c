#include <QPointer>

#include "monitor/controller/ServiceCommands.h"
#include "monitor/desktop/LogExport.h"
#include "monitor/desktop/ShellQuote.h"
#include "monitor/desktop/TerminalScript.h"
#include "monitor/host/Installation.h"

namespace tarvex {

// What cannot run in a terminal window is offered to the user to run by hand.
void ServiceCommands::runInTerminal(const std::string& subcommand) {
    const std::string command = shellQuote(TARVEXCTL) + " " + subcommand;
    // After the tool's output the window waits for a key, so the user can read it.
    const std::string waitForKey = "; printf '\\n%s ' " +
                                   shellQuote(tr("Press any key to close").toStdString()) +
                                   "; read -n1";
    const Result opened = terminalScripts_.openTerminal(command + waitForKey);
    if (opened.ok()) {
        return;
    }
    seams_.alerts.runModal(AlertSpec{tr("No Terminal Window"),
                                     tr("%1\n\nRun this command in a terminal yourself:\n%2")
                                         .arg(opened.reason(), QString::fromStdString(command)),
                                     AlertStyle::warning,
                                     {}});
}

void ServiceCommands::viewLogs() {
    runInTerminal("logs");
}

void ServiceCommands::runDoctor() {
    runInTerminal("doctor");
}

void ServiceCommands::saveLogs() {
    seams_.app.activate();
    const std::optional<QString> destination =
        seams_.saveDialog.askForDestination(tr("Save tarvex Logs"), QStringLiteral("tarvex-logs"));
    if (!destination || destination->isEmpty()) {
        return;
    }
    const Result saved = exportLogFolder(readRuntimeBaseDir() + "/log", destination->toStdString());
    if (!saved.ok()) {
        seams_.alerts.runModal(
            AlertSpec{tr("Failed to save logs"), saved.reason(), AlertStyle::warning, {}});
        return;
    }
    QPointer<ServiceCommands> self(this);
    seams_.fileViewer.showFolder(
        destination->toStdString(), [self, folder = *destination](bool shown) {
            if (shown || !self) {
                return;
            }
            self->seams_.alerts.runModal(AlertSpec{
                tr("Logs Saved"),
                tr("No file manager could open the folder. The logs are in:\n%1").arg(folder),
                AlertStyle::warning,
                {}});
        });
}

}  // namespace tarvex
