#include "helper/AuditLog.h"

#include <syslog.h>
#include <unistd.h>

#include <cstdio>

namespace tarvex {

namespace {

constexpr std::size_t MAX_LOGGED_COMMAND = 64;
constexpr std::size_t MAX_LOGGED_RESULT = 256;

std::string quoted(std::string_view text, std::size_t limit = MAX_LOGGED_RESULT) {
    std::string out = "\"";
    for (const char c : text.substr(0, limit)) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20 || byte >= 0x7F) {
            char escaped[5];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
            out += escaped;
        } else {
            out += c;
        }
    }
    if (text.size() > limit) {
        out += "...";
    }
    return out + "\"";
}

std::string idText(bool known, long long id) {
    return known ? std::to_string(id) : std::string("unknown");
}

}  // namespace

void systemAuditSink(const std::string& line) {
    syslog(LOG_AUTHPRIV | LOG_NOTICE, "%s", line.c_str());
    if (isatty(STDERR_FILENO) == 1) {
        std::fprintf(stderr, "tarvex-helper: %s\n", line.c_str());
    }
}

std::string auditLine(const Caller& caller, std::string_view command, std::string_view decision,
                      std::string_view result) {
    return "uid=" + quoted(idText(caller.known, caller.uid)) +
           " pid=" + quoted(idText(caller.pid > 0, caller.pid)) +
           " command=" + quoted(command, MAX_LOGGED_COMMAND) + " decision=" + quoted(decision) +
           " result=" + quoted(result);
}

AuditTrail::AuditTrail(AuditSink sink, std::size_t linesPerWindow, Clock::duration window)
    : sink_(std::move(sink)), linesPerWindow_(linesPerWindow), window_(window) {}

void AuditTrail::summarize(uid_t account, const Window& window) {
    if (window.leftOut > 0) {
        sink_("uid=" + quoted(idText(account != static_cast<uid_t>(-1), account)) +
              " decision=\"suppressed\" result=" +
              quoted(std::to_string(window.leftOut) + " more lines of this account in " +
                     std::to_string(
                         std::chrono::duration_cast<std::chrono::seconds>(window_).count()) +
                     " s were not logged"));
    }
}

void AuditTrail::write(uid_t account, const std::string& line, Clock::time_point now) {
    std::lock_guard lock(mutex_);
    const auto [found, added] = windows_.try_emplace(account, Window{now});
    Window& window = found->second;
    if (!added && now - window.start >= window_) {
        summarize(account, window);
        window = Window{now};
    }
    if (window.written < linesPerWindow_) {
        ++window.written;
        sink_(line);
    } else {
        ++window.leftOut;
    }
}

std::optional<AuditTrail::Clock::time_point> AuditTrail::flush(Clock::time_point now) {
    std::lock_guard lock(mutex_);
    std::optional<Clock::time_point> next;
    for (auto it = windows_.begin(); it != windows_.end();) {
        const Clock::time_point end = it->second.start + window_;
        if (end <= now) {
            summarize(it->first, it->second);
            it = windows_.erase(it);
            continue;
        }
        if (it->second.leftOut > 0 && (!next || end < *next)) {
            next = end;
        }
        ++it;
    }
    return next;
}

}  // namespace tarvex
