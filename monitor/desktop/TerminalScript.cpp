#include "monitor/desktop/TerminalScript.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QTimer>

#include <cerrno>
#include <cstdlib>
#include <vector>

#include "monitor/desktop/PrivateDirectory.h"
#include "shared/base/ProcessRunner.h"

namespace tarvex {

namespace {

constexpr char kRemovalTimerName[] = "terminalScriptRemoval";

bool writeAll(int fd, const std::string& text) {
    std::size_t written = 0;
    while (written < text.size()) {
        const ssize_t n = ::write(fd, text.data() + written, text.size() - written);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        written += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

std::string terminalScriptText(std::string_view commandLine) {
    std::string text = "#!/bin/bash\n";
    text.append(commandLine);
    text.push_back('\n');
    return text;
}

std::optional<WrittenScript> writeTerminalScript(const std::string& directory,
                                                 std::string_view commandLine) {
    static constexpr char kSuffix[] = ".command";
    std::string pattern = directory + "/tarvex_cmd-XXXXXX" + kSuffix;
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = mkstemps(name.data(), static_cast<int>(sizeof kSuffix - 1));
    if (fd < 0) {
        return std::nullopt;
    }
    setCloseOnExec(fd);
    const std::string path(name.data());
    struct stat info {};
    const bool ok = writeAll(fd, terminalScriptText(commandLine)) && fchmod(fd, 0755) == 0 &&
                    fstat(fd, &info) == 0;
    if (::close(fd) != 0 || !ok) {
        ::unlink(path.c_str());
        return std::nullopt;
    }
    return WrittenScript{path, info.st_dev, info.st_ino};
}

void removeTerminalScript(const WrittenScript& script) {
    struct stat info {};
    if (lstat(script.path.c_str(), &info) == 0 && info.st_dev == script.device &&
        info.st_ino == script.inode) {
        ::unlink(script.path.c_str());
    }
}

TerminalScriptLauncher::TerminalScriptLauncher(TerminalOpener& opener, QObject* parent,
                                               DirectoryLocator locateDirectory)
    : QObject(parent), opener_(opener), locateDirectory_(std::move(locateDirectory)) {
    if (!locateDirectory_) {
        locateDirectory_ = [] { return privateDirectory(); };
    }
}

std::string TerminalScriptLauncher::openTerminal(std::string_view commandLine) {
    // Without a private folder there is no safe place for an executable file: run nothing
    // rather than fall back to a folder other users can write to.
    const std::optional<std::string> directory = locateDirectory_();
    if (!directory) {
        return tr("There is no private folder for the script that a terminal would run.")
            .toStdString();
    }
    const std::optional<WrittenScript> script = writeTerminalScript(*directory, commandLine);
    if (!script) {
        return tr("The script for the terminal could not be written in %1.")
            .arg(QString::fromStdString(*directory))
            .toStdString();
    }
    std::string failure = opener_.openScript(script->path);

    auto* removal = new QTimer(this);
    removal->setObjectName(kRemovalTimerName);
    removal->setSingleShot(true);
    removal->setInterval(REMOVAL_DELAY_MS);
    connect(removal, &QTimer::timeout, this, [removal, written = *script] {
        removal->stop();
        removeTerminalScript(written);
        removal->setObjectName(QString());
        removal->deleteLater();
    });
    removal->start();
    return failure;
}

QList<QTimer*> TerminalScriptLauncher::pendingRemovals() const {
    return findChildren<QTimer*>(kRemovalTimerName, Qt::FindDirectChildrenOnly);
}

}  // namespace tarvex
