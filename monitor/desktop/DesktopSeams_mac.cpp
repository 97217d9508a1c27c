#include "monitor/desktop/DesktopSeams.h"

#include <libproc.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDesktopServices>
#include <QUrl>

#include <filesystem>

namespace tarvex {

// Terminal opens a .command file it is handed.
Result DesktopTerminalOpener::openScript(const std::string& scriptPath) {
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(scriptPath)))) {
        return Result::failure(
            QCoreApplication::translate("DesktopTerminalOpener",
                                        "The system could not open %1 in Terminal.")
                .arg(QString::fromStdString(scriptPath)));
    }
    return {};
}

void DesktopFileViewer::showFolder(const std::string& path, std::function<void(bool)> done) {
    done(QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path))));
}

// The .app folder when the program runs inside one (<bundle>.app/Contents/MacOS/<program>),
// else the install folder above the program's own.
std::string ExecutableBundleLocator::bundlePath() {
    char buffer[PROC_PIDPATHINFO_MAXSIZE] = {};
    const std::string executable = proc_pidpath(getpid(), buffer, sizeof buffer) > 0
                                       ? std::string(buffer)
                                       : QCoreApplication::applicationFilePath().toStdString();
    std::filesystem::path bundle = std::filesystem::path(executable).lexically_normal();
    for (int i = 0; i < 3 && bundle.has_parent_path(); ++i) {
        bundle = bundle.parent_path();
    }
    if (bundle.extension() == ".app") {
        return bundle.string();
    }
    return installFolderOfExecutable(executable);
}

}  // namespace tarvex
