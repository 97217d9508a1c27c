#pragma once

#include <memory>
#include <string>
#include <vector>

#include "monitor/desktop/Result.h"

namespace tarvex {

// Whether the monitor starts when the user logs in, and the switch for it. Only the user's own
// settings are written; nothing here needs administrator rights.
class LoginItem {
public:
    virtual ~LoginItem() = default;
    virtual bool enabled() const = 0;
    virtual Result setEnabled(bool on) = 0;
};

// The XDG way: an entry named AUTOSTART_ENTRY_NAME in <userConfigHome>/autostart overrides the
// one of the same name in any of <systemConfigDirs>/autostart (the package's). Turning it on
// removes the user's override where the package's entry already starts the monitor, else writes
// an entry; turning it off writes a hidden override where the package's entry exists, else
// removes the user's entry.
class XdgAutostart : public LoginItem {
public:
    XdgAutostart(std::string userConfigHome, std::vector<std::string> systemConfigDirs,
                 std::vector<std::string> command);

    bool enabled() const override;
    Result setEnabled(bool on) override;

    std::string userEntryPath() const;

private:
    bool systemEntryStarts() const;

    std::string userConfigHome_;
    std::vector<std::string> systemConfigDirs_;
    std::vector<std::string> command_;
};

// macOS: a per-user launchd agent in <agentsDir> (~/Library/LaunchAgents) that runs the
// command once at login.
class LaunchAgentLoginItem : public LoginItem {
public:
    LaunchAgentLoginItem(std::string agentsDir, std::vector<std::string> command);

    bool enabled() const override;
    Result setEnabled(bool on) override;

    std::string agentPath() const;

private:
    std::string agentsDir_;
    std::vector<std::string> command_;
};

inline constexpr const char* AUTOSTART_ENTRY_NAME = "tarvex-monitor.desktop";
inline constexpr const char* LAUNCH_AGENT_LABEL = "com.tarvex.monitor";

// The Exec value of a desktop entry that runs `command` (quoted where the format asks for it).
std::string desktopExecLine(const std::vector<std::string>& command);

// The login item of this platform, for the user running the process, from the environment
// ($XDG_CONFIG_HOME, $XDG_CONFIG_DIRS, $HOME).
std::unique_ptr<LoginItem> makePlatformLoginItem(std::vector<std::string> command);

}  // namespace tarvex
