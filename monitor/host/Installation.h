#pragma once

#include <array>
#include <string>
#include <string_view>

#include "shared/base/FixedPaths.h"

namespace tarvex {

// Name of the marker file that the control tool keeps in the service's run directory while it
// uninstalls.
inline constexpr std::string_view UNINSTALL_MARKER_NAME = "uninstalling";

// Moves every fixed path under `prefix` (tests and the demo); "" restores the standard paths.
void relocateInstallation(std::string_view prefix);

// The value of the first "key = value" line of the file at `path` whose key equals `key`
// exactly; `fallback` when the file is missing, unreadable, not UTF-8 or has no such line.
// Lines end at LF only; tabs and space separators around keys and values are trimmed (a CR is
// kept); lines beginning with "#" or ";" are comments. Reads the file anew on every call.
std::string readKeyValue(const std::string& path, std::string_view key, std::string_view fallback);

std::string readConfigValue(std::string_view key, std::string_view fallback);
std::string readActivePathValue(std::string_view key, std::string_view fallback);

// "base-dir" from the run-time paths file, else from the configuration file, else the default
// base directory. Used as found: neither checked nor normalised.
std::string readRuntimeBaseDir();

// The service's three log files, in the order the failure alerts name them.
std::array<std::string, 3> logFilePaths();

// The pointer to the service's three log files that every failure alert shows.
std::string logDetailsText();

}  // namespace tarvex
