#pragma once

#include <string>

#include "monitor/desktop/Result.h"

namespace tarvex {

// Copies `source` (the log folder) to `destination`, replacing whatever is there. The copy is
// made under a temporary name beside the destination and moved into place only once complete,
// so a failure at any point leaves the destination as it was and no partial copy behind.
Result exportLogFolder(const std::string& source, const std::string& destination);

}  // namespace tarvex
