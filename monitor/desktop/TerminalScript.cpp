#include "monitor/desktop/TerminalScript.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QTemporaryFile>
#include <QTimer>

#include "monitor/desktop/PrivateDirectory.h"

namespace tarvex {

constexpr char kRemovalTimerName[] = "terminalScriptRemoval";

std::optional<WrittenScript> writeTerminalScript(const std::string& directory,
                                                 std::string_view commandLine) {
    QTemporaryFile file(QString::fromStdString(directory) +
                        QStringLiteral("/tarvex_cmd-XXXXXX.command"));
    file.setAutoRemove(false);
    const QByteArray text =
        "#!/bin/bash\n" + QByteArray(commandLine.data(), std::ssize(commandLine)) + '\n';
    struct stat info {};
    if (!file.open() || file.write(text) != text.size() || !file.flush() ||
        fchmod(file.handle(), 0755) != 0 || fstat(file.handle(), &info) != 0) {
        file.remove();
        return std::nullopt;
    }
    return WrittenScript{file.fileName().toStdString(), info.st_dev, info.st_ino};
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

Result TerminalScriptLauncher::openTerminal(std::string_view commandLine) {
    // Without a private folder there is no safe place for an executable file: run nothing
    // rather than fall back to a folder other users can write to.
    const std::optional<std::string> directory = locateDirectory_();
    if (!directory) {
        return Result::failure(
            tr("There is no private folder for the script that a terminal would run."));
    }
    const std::optional<WrittenScript> script = writeTerminalScript(*directory, commandLine);
    if (!script) {
        return Result::failure(tr("The script for the terminal could not be written in %1.")
                                   .arg(QString::fromStdString(*directory)));
    }
    Result opened = opener_.openScript(script->path);

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
    return opened;
}

QList<QTimer*> TerminalScriptLauncher::pendingRemovals() const {
    return findChildren<QTimer*>(kRemovalTimerName, Qt::FindDirectChildrenOnly);
}

}  // namespace tarvex
