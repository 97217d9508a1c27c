#include "monitor/host/Installation.h"

#include <algorithm>
#include <optional>
#include <utility>

#include "monitor/host/HostFiles.h"
#include "shared/base/Utf8.h"

namespace tarvex {

namespace {

constexpr std::string_view BASE_DIR_KEY = "base-dir";

// Tab and the space separators; line breaks (a CR before the LF included) are not trimmed.
std::string_view trimBlanks(std::string_view text) {
    return trimCodePoints(text, [](char32_t c) { return c == 0x09 || isSpaceSeparator(c); });
}

// "key=value": '=' at the very start is passed over, the key runs to the next '=', and the value
// is everything after it. Nothing when there is no such '=' or nothing follows it.
std::optional<std::pair<std::string_view, std::string_view>> splitAtEquals(std::string_view line) {
    const std::size_t keyStart = line.find_first_not_of('=');
    if (keyStart == std::string_view::npos) {
        return std::nullopt;
    }
    const std::size_t equals = line.find('=', keyStart);
    if (equals == std::string_view::npos || equals + 1 == line.size()) {
        return std::nullopt;
    }
    return std::pair{line.substr(keyStart, equals - keyStart), line.substr(equals + 1)};
}

std::optional<std::string_view> findValue(std::string_view text, std::string_view key) {
    // A plain loop rather than std::views::split, which clang 14 (the fuzz build) cannot compile
    // against this standard library.
    for (std::size_t start = 0; start <= text.size();) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        const std::string_view line = trimBlanks(text.substr(start, end - start));
        start = end + 1;
        if (line.empty() || line.front() == '#' || line.front() == ';') {
            continue;
        }
        const auto pieces = splitAtEquals(line);
        if (pieces && trimBlanks(pieces->first) == key) {
            return trimBlanks(pieces->second);
        }
    }
    return std::nullopt;
}

}  // namespace

void relocateInstallation(std::string_view prefix) {
    relocateFixedPaths(prefix);
}

std::string readKeyValue(const std::string& path, std::string_view key, std::string_view fallback) {
    const std::optional<std::string> content = readWholeFile(path);
    if (!content || !isValidUtf8(*content)) {
        return std::string(fallback);
    }
    const std::optional<std::string_view> value = findValue(*content, key);
    return std::string(value ? *value : fallback);
}

std::string readConfigValue(std::string_view key, std::string_view fallback) {
    return readKeyValue(TARVEX_CONFIG, key, fallback);
}

std::string readActivePathValue(std::string_view key, std::string_view fallback) {
    return readKeyValue(ACTIVE_PATHS_FILE, key, fallback);
}

std::string readRuntimeBaseDir() {
    std::string active = readActivePathValue(BASE_DIR_KEY, "");
    return active.empty() ? readConfigValue(BASE_DIR_KEY, DEFAULT_BASE_DIR) : active;
}

std::array<std::string, 3> logFilePaths() {
    const std::string logDir = readRuntimeBaseDir() + "/log";
    return {logDir + "/tarvex.log", logDir + "/launchd.out.log", logDir + "/launchd.err.log"};
}

std::string logDetailsText() {
    const auto [tarvexLog, outLog, errLog] = logFilePaths();
    return "Check logs for details:\n\n" + tarvexLog + "\n" + outLog + "\n" + errLog;
}

}  // namespace tarvex
