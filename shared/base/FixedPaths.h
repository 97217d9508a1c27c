#pragma once

#include <string>
#include <string_view>

namespace tarvex {

// Every fixed absolute path of the system lives here, so that tests and the demo can move the
// whole installation under a throw-away folder with one call. Production passes no prefix and
// uses the standard values. Callers read these; only relocateFixedPaths and
// overrideHelperSocketPath change them, once at start-up (tests: between cases).
extern const std::string& TARVEXCTL;           // "/opt/tarvex/bin/tarvexctl"
extern const std::string& TARVEX_CONFIG;       // "/opt/tarvex/etc/tarvex/tarvex.cnf"
extern const std::string& MONITOR_APP_PATH;    // "/Applications/tarvex Monitor.app"
extern const std::string& TARVEXCTL_LOCK_PID;  // "/tmp/tarvexctl.lock.d/pid"
extern const std::string& ACTIVE_PATHS_FILE;   // "/opt/tarvex/var/tarvex/run/active_paths"
extern const std::string& TARVEX_ROOT;         // "/opt/tarvex"
extern const std::string& DEFAULT_BASE_DIR;    // "/opt/tarvex/var/tarvex/data"
extern const std::string& HELPER_SOCKET_PATH;  // "/var/run/com.tarvex.helper.socket"
extern const std::string& SUBORDINATE_UIDS;    // "/etc/subuid"

// Puts `prefix` in front of every path above; an empty prefix restores the standard values.
// Also resets any socket override.
void relocateFixedPaths(std::string_view prefix);

// The prefix last given to relocateFixedPaths ("" in production).
const std::string& fixedPathPrefix();

// Replaces just the helper's socket path (the programs' --socket option).
void overrideHelperSocketPath(std::string_view path);

}  // namespace tarvex
