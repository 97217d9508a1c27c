#include "monitor/status/TarvexStatus.h"

namespace tarvex {

// Placeholder until the report grammar lands.
TarvexStatus TarvexStatus::parse(std::string_view) { return {}; }

}  // namespace tarvex
