#include "helper/AuditLog.h"

#include <syslog.h>
#include <unistd.h>

#include <cstdio>

namespace tarvex {

namespace {

constexpr std::size_t MAX_LOGGED_COMMAND = 64;
constexpr std::size_t MAX_LOGGED_RESULT = 256;

std::string printable(std::string_view text, std::size_t limit) {
    std::string out;
    for (const char c : text.substr(0, limit)) {
        const auto byte = static_cast<unsigned char>(c);
        out.push_back(byte < 0x20 || byte == 0x7F || c == '"' ? '?' : c);
    }
    if (text.size() > limit) {
        out += "...";
    }
    return out;
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
    std::string line = caller.known ? "uid=" + std::to_string(caller.uid) : "uid=unknown";
    line += " pid=" + (caller.pid > 0 ? std::to_string(caller.pid) : std::string("unknown"));
    line += " command=\"" + printable(command, MAX_LOGGED_COMMAND) + "\" decision=";
    line += decision;
    if (!result.empty()) {
        line += " result=";
        line += printable(result, MAX_LOGGED_RESULT);
    }
    return line;
}

}  // namespace tarvex
