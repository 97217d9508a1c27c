#pragma once

#include <optional>
#include <string>
#include <vector>

namespace tarvex {

struct MonitorOptions {
    std::optional<std::string> prefix;  // --prefix DIR: the whole installation under DIR
    std::optional<std::string> socket;  // --socket PATH: the helper's socket
    bool demo = false;                  // --demo: an in-app authorization dialog
    bool background = false;            // --background: the tray icon only, no window
    bool showVersion = false;
    bool showHelp = false;
    std::string error;  // not empty: the arguments are unusable
};

// Reads the arguments after the program name. Every argument must be one of the options.
MonitorOptions parseMonitorOptions(const std::vector<std::string>& arguments);

std::string monitorUsage();

// Name of the per-user channel through which a second start brings the first one's window
// forward. Different prefixes get different channels, so a demo does not meet a real run.
std::string reopenChannelName(unsigned userId, const std::string& prefix,
                              const std::string& runtimeDirectory);

// The whole program: returns the process's exit status.
int runMonitor(int argc, char** argv);

}  // namespace tarvex
