#include <algorithm>
#include <cstddef>
#include <optional>

#include "monitor/status/TarvexStatus.h"
#include "shared/base/Utf8.h"

namespace tarvex {

namespace {

// LF, VT, FF, CR, NEL, LINE SEPARATOR, PARAGRAPH SEPARATOR: each ends a line by itself, so
// CR LF yields an extra empty line (which matches nothing).
bool isLineBreak(char32_t c) {
    return (c >= 0x0A && c <= 0x0D) || c == 0x85 || c == 0x2028 || c == 0x2029;
}

std::string_view trimmed(std::string_view text) {
    return trimCodePoints(text, isUnicodeWhiteSpace);
}

// Lower-cases ASCII letters only. For the prefixes tested here ("port", "process", "launchd",
// "running") this answers exactly as full Unicode lower-casing would: the only non-ASCII
// characters whose lower-case form contains an ASCII letter are U+0130 (to "i" followed by
// U+0307) and U+212A KELVIN SIGN (to "k"). "k" occurs in no prefix, and the "i" of U+0130 is
// always followed by U+0307, so "running" still cannot match where the U+0130 stands.
std::string asciiLowered(std::string_view text) {
    std::string out(text);
    std::ranges::transform(out, out.begin(), [](char c) {
        return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    });
    return out;
}

// Splits at the first ':' that follows some text (leading colons are passed over) and answers
// what follows it, trimmed; empty when there is no such colon or nothing after it.
std::string_view valueOf(std::string_view line) {
    const std::size_t keyStart = line.find_first_not_of(':');
    if (keyStart == std::string_view::npos) {
        return {};
    }
    const std::size_t colon = line.find(':', keyStart);
    if (colon == std::string_view::npos) {
        return {};
    }
    return trimmed(line.substr(colon + 1));
}

// The digits of the first "(pid N)" in `line` (N: one or more ASCII digits), case-sensitive.
std::optional<std::string_view> findPid(std::string_view line) {
    constexpr std::string_view opening = "(pid ";
    for (std::size_t at = line.find(opening); at != std::string_view::npos;
         at = line.find(opening, at + 1)) {
        const std::size_t digitsStart = at + opening.size();
        const std::size_t end = line.find_first_not_of("0123456789", digitsStart);
        if (end != std::string_view::npos && end > digitsStart && line[end] == ')') {
            return line.substr(digitsStart, end - digitsStart);
        }
    }
    return std::nullopt;
}

void applyLine(std::string_view rawLine, TarvexStatus& status) {
    const std::string_view line = trimmed(rawLine);
    if (line.empty()) {
        return;
    }
    const std::string key = asciiLowered(line);
    const std::string_view value = valueOf(line);
    if (key.starts_with("port")) {
        if (value == "open") {
            status.portOpen = true;
        } else if (value == "closed") {
            status.portOpen = false;
        } else if (!value.empty()) {
            status.port = std::string(value);
        }
    } else if (key.starts_with("process")) {
        status.processRunning = asciiLowered(value).starts_with("running");
        if (const auto pid = findPid(line)) {
            status.pid = std::string(*pid);
        }
    } else if (key.starts_with("launchd")) {
        status.launchdLoaded = value == "loaded";
    }
}

}  // namespace

// Bytes that are not UTF-8 are ordinary characters here (never white space or line breaks), so
// any output parses; such bytes reach a field only as part of the port text.
TarvexStatus TarvexStatus::parse(std::string_view output) {
    TarvexStatus status;
    std::size_t lineStart = 0;
    std::size_t pos = 0;
    while (pos < output.size()) {
        const std::size_t charStart = pos;
        const std::optional<char32_t> c = decodeUtf8(output, pos);
        if (!c) {
            ++pos;
            continue;
        }
        if (isLineBreak(*c)) {
            applyLine(output.substr(lineStart, charStart - lineStart), status);
            lineStart = pos;
        }
    }
    applyLine(output.substr(lineStart), status);
    return status;
}

}  // namespace tarvex
