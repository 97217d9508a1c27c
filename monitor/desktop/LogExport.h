#pragma once

#include <string>

namespace tarvex {

struct LogExportResult {
    bool ok = false;
    std::string errorDescription;  // why it failed, for the user; empty on success
};

// Copies `source` (the log folder) to `destination`, replacing whatever is there. The copy is
// made under a temporary name beside the destination and moved into place only once complete,
// so a failure at any point leaves the destination as it was and no partial copy behind.
LogExportResult exportLogFolder(const std::string& source, const std::string& destination);

}  // namespace tarvex
