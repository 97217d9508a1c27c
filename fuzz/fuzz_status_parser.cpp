// Feeds arbitrary text to the status report parser; the report comes from a tool outside this
// system, so the parser must survive anything and only ever yield a consistent record.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/FuzzCheck.h"
#include "monitor/status/TarvexStatus.h"
#include "shared/base/Utf8.h"

namespace {

using tarvex::ServiceState;
using tarvex::TarvexStatus;

ServiceState expectedState(const TarvexStatus& s) {
    if (s.launchdLoaded) {
        return s.processRunning && s.portOpen ? ServiceState::active : ServiceState::starting;
    }
    return s.processRunning || s.portOpen ? ServiceState::stopping : ServiceState::stopped;
}

std::string asciiLower(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), [](char c) {
        return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    });
    return out;
}

void checkRecord(std::string_view text, const TarvexStatus& status) {
    // The pid is what the "(pid N)" pattern matched: digits only.
    FUZZ_CHECK(std::all_of(status.pid.begin(), status.pid.end(),
                           [](char c) { return c >= '0' && c <= '9'; }));
    FUZZ_CHECK(status.pid.empty() || text.find("(pid " + status.pid + ")") != std::string::npos);
    // The port is a trimmed, non-keyword value that the report really holds.
    FUZZ_CHECK(status.port != "open" && status.port != "closed");
    FUZZ_CHECK(status.port.empty() || text.find(status.port) != std::string_view::npos);
    if (!status.port.empty()) {
        const char first = status.port.front();
        const char last = status.port.back();
        FUZZ_CHECK(first != ' ' && first != '\t' && first != '\n' && first != '\r');
        FUZZ_CHECK(last != ' ' && last != '\t' && last != '\n' && last != '\r');
    }
    // No line with the key, no field set from it.
    const std::string lower = asciiLower(text);
    if (lower.find("port") == std::string::npos) {
        FUZZ_CHECK(status.port.empty() && !status.portOpen);
    }
    if (lower.find("process") == std::string::npos) {
        FUZZ_CHECK(status.pid.empty() && !status.processRunning);
    }
    if (text.find("loaded") == std::string_view::npos) {
        FUZZ_CHECK(!status.launchdLoaded);
    }
    // State and summary follow the flags.
    const ServiceState state = status.state();
    FUZZ_CHECK(state == expectedState(status));
    const std::string summary = status.summary();
    switch (state) {
        case ServiceState::active:
            FUZZ_CHECK(summary ==
                       (status.pid.empty() ? "Active" : "Active (PID " + status.pid + ")"));
            break;
        case ServiceState::starting:
            FUZZ_CHECK(summary == "Starting\u2026");
            break;
        case ServiceState::stopping:
            FUZZ_CHECK(summary == "Stopping\u2026");
            break;
        case ServiceState::stopped:
            FUZZ_CHECK(summary == "Stopped");
            break;
    }
}

// CR LF ends lines like LF; an extra line break at the end changes nothing.
void checkLineBreakInvariance(std::string_view text, const TarvexStatus& status) {
    FUZZ_CHECK(TarvexStatus::parse(std::string(text) + "\n") == status);
    std::string crlf;
    crlf.reserve(text.size() * 2);
    for (char c : text) {
        if (c == '\n') {
            crlf += '\r';
        }
        crlf += c;
    }
    FUZZ_CHECK(TarvexStatus::parse(crlf) == status);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const TarvexStatus status = TarvexStatus::parse(text);
    checkRecord(text, status);
    // The helper hands the monitor only valid UTF-8; invariants about line breaks are stated
    // for such text (a lone lead byte before a break is the decoder's business).
    if (tarvex::isValidUtf8(text)) {
        checkLineBreakInvariance(text, status);
    }
    return 0;
}
