#include "helper/TrustedTool.h"

#include <sys/stat.h>

#include <cerrno>
#include <climits>
#include <cstdlib>

namespace tarvex {

namespace {

std::string checkOne(const std::string& path, uid_t alsoTrusted) {
    struct stat info {};
    if (lstat(path.c_str(), &info) != 0) {
        return "cannot inspect " + path;
    }
    if (info.st_uid != 0 && info.st_uid != alsoTrusted) {
        return path + " is owned by uid " + std::to_string(info.st_uid) + ", not by root";
    }
    const bool writableByOthers = (info.st_mode & (S_IWGRP | S_IWOTH)) != 0;
    const bool stickyFolder = S_ISDIR(info.st_mode) && (info.st_mode & S_ISVTX) != 0;
    if (writableByOthers && !stickyFolder) {
        return path + " is writable by group or others";
    }
    return "";
}

}  // namespace

ToolCheck checkTrustedTool(const std::string& path, uid_t alsoTrusted) {
    ToolCheck check;
    char resolved[PATH_MAX];
    if (realpath(path.c_str(), resolved) == nullptr) {
        check.error = errno;
        return check;
    }
    check.resolved = resolved;
    std::string current = check.resolved;
    for (;;) {
        check.problem = checkOne(current, alsoTrusted);
        if (!check.problem.empty() || current == "/") {
            return check;
        }
        const std::size_t slash = current.rfind('/');
        current = slash == 0 ? "/" : current.substr(0, slash);
    }
}

}  // namespace tarvex
