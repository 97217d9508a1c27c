#pragma once

#include <optional>
#include <string>

namespace tarvex {

// The whole content of the regular file at `path` (symbolic links followed); nothing when it is
// missing, unreadable or not a regular file. Never blocks on a FIFO or a device that someone
// put in place of an expected file.
std::optional<std::string> readWholeFile(const std::string& path);

// True if an entry of any kind exists at `path`, following symbolic links: a dangling link does
// not exist.
bool pathExists(const std::string& path);

}  // namespace tarvex
