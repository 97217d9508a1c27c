#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace tarvex {

// Writes one line to the system log (syslog), and to stderr when stderr is a terminal, so
// that a user who started the monitor from a shell sees it too. Safe from any thread.
void writeSystemLog(std::string_view line);

// Where log lines go instead of syslog; an empty sink restores syslog. Answers the sink that
// was in place. Tests use it to read what would have been logged.
using SystemLogSink = std::function<void(std::string_view line)>;
SystemLogSink replaceSystemLogSink(SystemLogSink sink);

}  // namespace tarvex
