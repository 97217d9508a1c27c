#include "monitor/host/Probes.h"

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "monitor/host/HostFiles.h"
#include "monitor/host/Installation.h"
#include "shared/base/FixedPaths.h"
#include "shared/base/Utf8.h"

namespace tarvex {

namespace {

// An optional sign and one or more ASCII digits, nothing else, within the signed 32-bit range.
std::optional<std::int32_t> parseInt32(std::string_view text) {
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
        // from_chars would otherwise accept "+-5" as -5.
        if (text.empty() || text.front() == '-') {
            return std::nullopt;
        }
    }
    std::int32_t value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (error != std::errc{} || stop != end) {
        return std::nullopt;
    }
    return value;
}

bool processIsAlive(std::int32_t pid) {
    // Signal 0 delivers nothing; EPERM means the process exists but belongs to someone else.
    return kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

// The lock sits in a folder anyone may write to (/tmp), so only a lock the tool itself could
// have taken counts: a real folder, not a link, owned by root, as the tool runs through the
// root helper. With a prefix (the demo, the tests) the helper and its tool run as the user,
// and a folder of the monitor's own account counts too; another account's never does.
bool lockFolderIsGenuine(const std::string& pidFile) {
    const std::size_t slash = pidFile.rfind('/');
    if (slash == std::string::npos || slash == 0) {
        return false;
    }
    struct stat info {};
    if (lstat(pidFile.substr(0, slash).c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        return false;
    }
    return info.st_uid == 0 || (!fixedPathPrefix().empty() && info.st_uid == geteuid());
}

}  // namespace

bool pathIsInTrash(std::string_view path) {
    const std::filesystem::path components(path);
    return std::any_of(components.begin(), components.end(), [](const auto& component) {
        return component == ".Trash" || component == ".Trashes";
    });
}

bool tarvexctlOperationInProgress() {
    if (!lockFolderIsGenuine(TARVEXCTL_LOCK_PID)) {
        return false;
    }
    const std::optional<std::string> content = readWholeFile(TARVEXCTL_LOCK_PID);
    if (!content || !isValidUtf8(*content)) {
        return false;
    }
    const std::optional<std::int32_t> pid =
        parseInt32(trimCodePoints(*content, isUnicodeWhiteSpace));
    return pid && *pid >= 1 && processIsAlive(*pid);
}

bool tarvexCoreInstallMissing() {
    return !pathExists(TARVEXCTL) && !pathExists(TARVEX_ROOT);
}

bool uninstallMarkerExists() {
    return pathExists(readRuntimeBaseDir() + "/run/" + std::string(UNINSTALL_MARKER_NAME));
}

}  // namespace tarvex
