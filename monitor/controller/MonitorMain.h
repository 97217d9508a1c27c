#pragma once

#include <QStringList>

#include <optional>
#include <string>

namespace tarvex {

struct MonitorOptions {
    std::optional<std::string> prefix;  // --prefix DIR: the whole installation under DIR
    std::optional<std::string> socket;  // --socket PATH: the helper's socket
    bool demo = false;                  // --demo: an in-app authorization dialog
    bool background = false;            // --background: the tray icon only, no window
    bool showVersion = false;
    bool showHelp = false;
    bool showHelpWithQtOptions = false;  // --help-all
    std::string error;                   // not empty: the arguments are unusable
};

// Reads the program's arguments, the program name first, as the application object leaves
// them: Qt's own options (-style, -platform, ...) are already taken out. Every argument left
// must be one of ours.
MonitorOptions parseMonitorOptions(const QStringList& arguments);

// The --help text: our options and Qt's help and version options.
std::string monitorUsage();

// Name, organisation, version and the window icon every window shows.
void setApplicationIdentity();

// Name of the per-user channel through which a second start brings the first one's window
// forward. Different prefixes get different channels, so a demo does not meet a real run.
std::string reopenChannelName(unsigned userId, const std::string& prefix,
                              const std::string& runtimeDirectory);

// The whole program: returns the process's exit status.
int runMonitor(int argc, char** argv);

}  // namespace tarvex
