#include "helper/SubordinateUids.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>

namespace tarvex {

namespace {

// Far above any real file; a larger one is not read at all rather than read in part.
constexpr off_t MAX_FILE_BYTES = 4 * 1024 * 1024;

std::optional<std::uint64_t> number(std::string_view text) {
    std::uint64_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

std::optional<uid_t> uidOfName(const std::string& name) {
    passwd entry{};
    passwd* found = nullptr;
    char buffer[4096];
    if (getpwnam_r(name.c_str(), &entry, buffer, sizeof buffer, &found) != 0 || found == nullptr) {
        return std::nullopt;
    }
    return found->pw_uid;
}

// What tells one version of the file from the next (a rename changes the inode).
std::string identityOf(const struct stat& info) {
    return std::to_string(info.st_dev) + ":" + std::to_string(info.st_ino) + ":" +
           std::to_string(info.st_size) + ":" + std::to_string(info.st_mtime);
}

// The file's text, or nothing when it is not a regular file of a sane size.
std::string readSmallFile(const std::string& path) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        return "";
    }
    struct stat info {};
    std::string text;
    if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size <= MAX_FILE_BYTES) {
        char buffer[65536];
        for (ssize_t n; (n = read(fd, buffer, sizeof buffer)) > 0;) {
            text.append(buffer, static_cast<std::size_t>(n));
        }
    }
    close(fd);
    return text;
}

}  // namespace

std::vector<SubordinateRange> parseSubordinateUids(
    std::string_view text, const std::function<std::optional<uid_t>(const std::string&)>& uidOf) {
    std::vector<SubordinateRange> ranges;
    while (!text.empty()) {
        const std::size_t end = std::min(text.find('\n'), text.size());
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(std::min(end + 1, text.size()));
        const std::size_t first = line.find(':');
        const std::size_t second = line.find(':', first + 1);
        if (first == std::string_view::npos || second == std::string_view::npos || first == 0) {
            continue;
        }
        const auto start = number(line.substr(first + 1, second - first - 1));
        const auto count = number(line.substr(second + 1));
        if (!start || !count || *count == 0 || *start + *count > (std::uint64_t{1} << 32)) {
            continue;
        }
        const std::string owner(line.substr(0, first));
        std::optional<uid_t> uid;
        if (const auto numeric = number(owner); numeric && *numeric < (std::uint64_t{1} << 32)) {
            uid = static_cast<uid_t>(*numeric);
        } else {
            uid = uidOf(owner);
        }
        ranges.push_back({*start, *count, uid.value_or(static_cast<uid_t>(*start))});
    }
    std::sort(ranges.begin(), ranges.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    return ranges;
}

SubordinateUids::SubordinateUids(std::string path) : path_(std::move(path)) {}

void SubordinateUids::refresh() {
    const auto now = std::chrono::steady_clock::now();
    if (now < nextLook_) {
        return;
    }
    nextLook_ = now + std::chrono::seconds(1);
    struct stat info {};
    const std::string identity = stat(path_.c_str(), &info) == 0 ? identityOf(info) : "";
    if (identity != identity_) {
        identity_ = identity;
        ranges_ = identity.empty() ? std::vector<SubordinateRange>{}
                                   : parseSubordinateUids(readSmallFile(path_), uidOfName);
    }
}

uid_t SubordinateUids::accountOf(uid_t uid) {
    refresh();
    const auto after = std::upper_bound(
        ranges_.begin(), ranges_.end(), std::uint64_t{uid},
        [](std::uint64_t value, const SubordinateRange& range) { return value < range.first; });
    if (after != ranges_.begin()) {
        const SubordinateRange& range = *(after - 1);
        if (uid - range.first < range.count) {
            return range.owner;
        }
    }
    return uid;
}

}  // namespace tarvex
