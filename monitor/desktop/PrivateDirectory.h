#pragma once

#include <optional>
#include <string>

namespace tarvex {

// The places a per-user private folder may come from; empty means "not set".
struct PrivateDirectoryEnvironment {
    std::string runtimeDir;  // XDG_RUNTIME_DIR
    std::string cacheHome;   // XDG_CACHE_HOME
    std::string home;        // HOME
    std::string tempDir;     // TMPDIR or "/tmp"

    static PrivateDirectoryEnvironment fromProcess();
};

// True when `path` is a real directory (not a symbolic link) owned by the effective user, with
// mode 0700, that the user can write and enter.
bool isPrivateDirectory(const std::string& path);

// A folder only this user can reach, for files other users must not read or swap: the runtime
// directory when it is private; otherwise "tarvex-monitor" created with mode 0700 under the cache
// folder, or, failing that, "tarvex-monitor-<uid>" under the temp folder. A folder that exists
// but belongs to someone else or is a link is never used. Nothing when no such folder can be had.
std::optional<std::string> privateDirectory(const PrivateDirectoryEnvironment& env);
std::optional<std::string> privateDirectory();

}  // namespace tarvex
