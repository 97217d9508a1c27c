#pragma once

#include <optional>
#include <string>

namespace tarvex {

// True when `path` is a real directory (not a symbolic link) owned by the effective user, with
// mode 0700, that the user can write and enter.
bool isPrivateDirectory(const std::string& path);

// A folder only this user can reach, for files other users must not read or swap: Qt's runtime
// location ($XDG_RUNTIME_DIR, or the folder Qt makes for the user in the temp folder when that is
// unset or unfit) when it is private; otherwise "tarvex-monitor-<uid>", created with mode 0700,
// in the temp folder ($TMPDIR or /tmp). A folder that belongs to someone else or is a link is
// never used. Nothing when no such folder can be had.
std::optional<std::string> privateDirectory();

}  // namespace tarvex
