#include "helper/TrustedTool.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <deque>
#include <string_view>

namespace tarvex {

namespace {

// As many links as the kernel follows in one path before it gives up with ELOOP.
constexpr int MAX_LINKS = 40;

std::string checkOne(const std::string& path, const struct stat& info, uid_t alsoTrusted) {
    if (info.st_uid != 0 && info.st_uid != alsoTrusted) {
        return path + " is owned by uid " + std::to_string(info.st_uid) + ", not by root";
    }
    if (S_ISLNK(info.st_mode)) {
        return "";  // its mode means nothing; who may replace it is its folder's question
    }
    const bool writableByOthers = (info.st_mode & (S_IWGRP | S_IWOTH)) != 0;
    const bool stickyFolder = S_ISDIR(info.st_mode) && (info.st_mode & S_ISVTX) != 0;
    if (writableByOthers && !stickyFolder) {
        return path + " is writable by group or others";
    }
    return "";
}

// Puts the components of `path` in front of those still to walk.
void pushFront(std::deque<std::string>& pending, std::string_view path) {
    std::deque<std::string> parts;
    for (std::size_t start = 0; start <= path.size();) {
        const std::size_t end = std::min(path.find('/', start), path.size());
        if (end > start) {
            parts.emplace_back(path.substr(start, end - start));
        }
        start = end + 1;
    }
    pending.insert(pending.begin(), parts.begin(), parts.end());
}

std::string parentOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == 0 || slash == std::string::npos ? "/" : path.substr(0, slash);
}

}  // namespace

ToolCheck checkTrustedTool(const std::string& path, uid_t alsoTrusted) {
    ToolCheck check;
    std::deque<std::string> pending;
    pushFront(pending, path);
    if (path.empty() || path.front() != '/') {
        char cwd[PATH_MAX];
        if (getcwd(cwd, sizeof cwd) == nullptr) {
            check.error = errno;
            return check;
        }
        pushFront(pending, cwd);
    }
    std::string current = "/";
    struct stat info {};
    if (lstat("/", &info) != 0) {
        check.error = errno;
        return check;
    }
    check.problem = checkOne("/", info, alsoTrusted);
    int links = 0;
    while (!pending.empty()) {
        const std::string name = std::move(pending.front());
        pending.pop_front();
        if (name == ".") {
            continue;
        }
        if (name == "..") {
            current = parentOf(current);  // walked and checked on the way here
            continue;
        }
        const std::string next = (current == "/" ? "" : current) + "/" + name;
        if (lstat(next.c_str(), &info) != 0) {
            check.error = errno;
            return check;
        }
        if (!pending.empty() && !S_ISDIR(info.st_mode) && !S_ISLNK(info.st_mode)) {
            check.error = ENOTDIR;
            return check;
        }
        if (check.problem.empty()) {
            check.problem = checkOne(next, info, alsoTrusted);  // the first one found is named
        }
        if (!S_ISLNK(info.st_mode)) {
            current = next;
            continue;
        }
        char target[PATH_MAX];
        const ssize_t length = readlink(next.c_str(), target, sizeof target);
        if (length <= 0 || static_cast<std::size_t>(length) >= sizeof target) {
            check.error = length < 0 ? errno : length == 0 ? ENOENT : ENAMETOOLONG;
            return check;
        }
        if (++links > MAX_LINKS) {
            check.error = ELOOP;
            return check;
        }
        const std::string_view text(target, static_cast<std::size_t>(length));
        pushFront(pending, text);
        if (text.front() == '/') {
            current = "/";
        }
    }
    check.resolved = current;
    return check;
}

}  // namespace tarvex
