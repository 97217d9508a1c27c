#include "monitor/controller/TarvexMenuBarApp.h"
#include "monitor/desktop/LogExport.h"
#include "monitor/desktop/ShellQuote.h"
#include "monitor/desktop/TerminalScript.h"
#include "monitor/host/Installation.h"

namespace tarvex {

namespace {

// After the tool's output the window waits for a key, so the user can read it. "\n" is left
// for echo to print as the two characters it is.
constexpr char kWaitForKey[] = "; echo '\\nPress any key to close'; read -n1";

}  // namespace

TerminalScriptLauncher& TarvexMenuBarApp::terminalScriptLauncher() {
    if (!terminalScriptLauncher_) {
        terminalScriptLauncher_ = new TerminalScriptLauncher(seams_.terminal, this);
    }
    return *terminalScriptLauncher_;
}

void TarvexMenuBarApp::viewLogs() {
    terminalScriptLauncher().openTerminal(shellQuote(TARVEXCTL) + " logs" + kWaitForKey);
}

void TarvexMenuBarApp::runDoctor() {
    terminalScriptLauncher().openTerminal(shellQuote(TARVEXCTL) + " doctor" + kWaitForKey);
}

void TarvexMenuBarApp::saveLogs() {
    seams_.app.activate();
    const std::optional<std::string> destination =
        seams_.saveDialog.askForDestination("Save tarvex Logs", "tarvex-logs");
    if (!destination || destination->empty()) {
        return;
    }
    const LogExportResult result = exportLogFolder(readRuntimeBaseDir() + "/log", *destination);
    if (!result.ok) {
        seams_.alerts.runModal(
            AlertSpec{"Failed to save logs", result.errorDescription, AlertStyle::warning, {}});
        return;
    }
    seams_.fileViewer.showFolder(*destination);
}

}  // namespace tarvex
