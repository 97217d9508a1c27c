#include "monitor/desktop/DesktopSeams.h"

#include <QCoreApplication>
#include <QProcess>
#include <QStandardPaths>

#include <filesystem>
#include <memory>
#include <system_error>

namespace tarvex {

Result DesktopTerminalOpener::openScript(const std::string& scriptPath) {
    const QString variable = qEnvironmentVariable("TERMINAL");
    const std::vector<std::string> command =
        terminalCommandFor(scriptPath, variable.toStdString(), [](const std::string& name) {
            return QStandardPaths::findExecutable(QString::fromStdString(name)).toStdString();
        });
    if (command.empty()) {
        return Result::failure(
            QCoreApplication::translate("DesktopTerminalOpener",
                                        "No terminal program was found. Tried: %1, "
                                        "x-terminal-emulator, gnome-terminal, konsole, "
                                        "xfce4-terminal, xterm.")
                .arg(variable.isEmpty() ? QCoreApplication::translate("DesktopTerminalOpener",
                                                                      "$TERMINAL (not set)")
                                        : variable));
    }
    QStringList arguments;
    for (std::size_t i = 1; i < command.size(); ++i) {
        arguments << QString::fromStdString(command[i]);
    }
    if (!QProcess::startDetached(QString::fromStdString(command.front()), arguments)) {
        return Result::failure(
            QCoreApplication::translate("DesktopTerminalOpener",
                                        "The terminal program %1 could not be started.")
                .arg(QString::fromStdString(command.front())));
    }
    return {};
}

void DesktopFileViewer::showFolder(const std::string& path, std::function<void(bool)> done) {
    // Where Qt does not know the desktop it hands the folder to xdg-open and reports only that
    // xdg-open started; its exit status says whether anything could show the folder, however long
    // it takes (some openers wait until the file manager closes). The shell between keeps the
    // opener running should the monitor quit first.
    static const QString script = QStringLiteral("xdg-open \"$1\" >/dev/null 2>&1\nexit $?\n");
    auto* waiter = new QProcess(QCoreApplication::instance());
    auto once = std::make_shared<std::function<void(bool)> >(std::move(done));
    auto finish = [waiter, once](bool shown) {
        if (*once) {
            auto report = std::exchange(*once, nullptr);
            report(shown);
        }
        waiter->deleteLater();
    };
    QObject::connect(waiter, &QProcess::finished, waiter,
                     [finish](int code, QProcess::ExitStatus status) {
                         finish(status == QProcess::NormalExit && code == 0);
                     });
    QObject::connect(waiter, &QProcess::errorOccurred, waiter,
                     [finish](QProcess::ProcessError error) {
                         if (error == QProcess::FailedToStart) {
                             finish(false);
                         }
                     });
    waiter->start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), script, QStringLiteral("sh"),
                                              QString::fromStdString(path)});
}

// Read anew each time: the link follows the file when it is moved.
std::string ExecutableBundleLocator::bundlePath() {
    std::error_code error;
    std::string path = std::filesystem::read_symlink("/proc/self/exe", error).string();
    if (error) {
        return installFolderOfExecutable(QCoreApplication::applicationFilePath().toStdString());
    }
    constexpr std::string_view deletedSuffix = " (deleted)";
    if (path.ends_with(deletedSuffix)) {
        path.resize(path.size() - deletedSuffix.size());
    }
    return installFolderOfExecutable(path);
}

}  // namespace tarvex
