#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstddef>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "helper/Caller.h"

namespace tarvex {

// Receives one line per audited request: every refusal and every command other than status.
using AuditSink = std::function<void(const std::string& line)>;

// The system log (authpriv), and standard error too when that is a terminal.
void systemAuditSink(const std::string& line);

// uid="1000" pid="4242" command="stop" decision="allowed" result="exit 0". Every field is
// quoted, with quotes and backslashes escaped and every byte outside printable ASCII written as
// \xHH, and cut short: nothing a caller sends can end a field or a line early or add one.
std::string auditLine(const Caller& caller, std::string_view command, std::string_view decision,
                      std::string_view result);

// Passes lines on to the sink, at most `linesPerWindow` of each account in each window; the
// rest are counted, and when the window ends one line says how many of that account's were
// left out. So one account cannot flood the log, nor hide another's lines in its own.
class AuditTrail {
public:
    using Clock = std::chrono::steady_clock;

    explicit AuditTrail(AuditSink sink, std::size_t linesPerWindow = 20,
                        Clock::duration window = std::chrono::seconds(10));

    void write(uid_t account, const std::string& line, Clock::time_point now = Clock::now());

    // Writes the summaries of the windows that have ended; answers when the next one ends,
    // nullopt when no lines are being left out.
    std::optional<Clock::time_point> flush(Clock::time_point now = Clock::now());

private:
    struct Window {
        Clock::time_point start;
        std::size_t written = 0;
        std::size_t leftOut = 0;
    };
    void summarize(uid_t account, const Window& window);

    AuditSink sink_;
    std::size_t linesPerWindow_;
    Clock::duration window_;
    std::mutex mutex_;
    std::unordered_map<uid_t, Window> windows_;  // guarded by mutex_
};

}  // namespace tarvex
