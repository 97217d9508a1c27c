#include "monitor/desktop/PrivateDirectory.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QStandardPaths>

#include <cerrno>

namespace tarvex {

bool isPrivateDirectory(const std::string& path) {
    struct stat info {};
    return lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == geteuid() &&
           (info.st_mode & 07777) == 0700 && access(path.c_str(), W_OK | X_OK) == 0;
}

std::optional<std::string> privateDirectory() {
    // Qt refuses a runtime folder that is a link, someone else's or open to others; it is
    // looked at once more here all the same, as Qt makes no such promise on macOS.
    const std::string runtime =
        QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation).toStdString();
    if (!runtime.empty() && isPrivateDirectory(runtime)) {
        return runtime;
    }
    // A shared temp folder is only a parent: a folder planted there by another user is refused
    // rather than used, and one of ours that is too open is closed.
    const QString tempPath = QDir::tempPath();  // empty when $TMPDIR names no folder
    const std::string folder = tempPath.toStdString() + "/tarvex-monitor-" +
                               std::to_string(static_cast<unsigned long>(geteuid()));
    struct stat info {};
    if (tempPath.isEmpty() || (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) ||
        lstat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != geteuid() ||
        ((info.st_mode & 07777) != 0700 && chmod(folder.c_str(), 0700) != 0) ||
        !isPrivateDirectory(folder)) {
        return std::nullopt;
    }
    return folder;
}

}  // namespace tarvex
