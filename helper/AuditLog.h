#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "helper/Caller.h"

namespace tarvex {

// Receives one line per audited request: every refusal and every command other than status.
using AuditSink = std::function<void(const std::string& line)>;

// The system log (authpriv), and standard error too when that is a terminal.
void systemAuditSink(const std::string& line);

// uid=1000 pid=4242 command="stop" decision=allowed result=exit 0. The command and result are
// shown with control characters and quotes replaced and cut short, so that a caller can
// neither forge lines or fields nor flood the log.
std::string auditLine(const Caller& caller, std::string_view command, std::string_view decision,
                      std::string_view result);

}  // namespace tarvex
