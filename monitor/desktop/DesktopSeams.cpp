#include "monitor/desktop/DesktopSeams.h"
#include "monitor/desktop/TrayWatcher.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QUrl>
#include <QWidget>

#include <algorithm>
#include <filesystem>
#include <system_error>

#ifdef __APPLE__
#include <libproc.h>
#include <unistd.h>
#endif

namespace tarvex {

namespace {

QMessageBox::Icon iconFor(AlertStyle style) {
    switch (style) {
        case AlertStyle::informational:
            return QMessageBox::Information;
        case AlertStyle::critical:
            return QMessageBox::Critical;
        case AlertStyle::warning:
            break;
    }
    return QMessageBox::Warning;
}

// The message box wraps long lines, and it may break a path after any slash. Path lines (and
// other lines without a space) are kept whole, so that each log path reads on a line of its
// own; the prose around them still wraps. An empty line is Qt's own empty paragraph, so that
// the text a screen reader reads, or the user copies, is exactly the text given.
QString informativeMarkup(const std::string& text) {
    QString markup;
    for (const QString& line : QString::fromStdString(text).split(QLatin1Char('\n'))) {
        if (line.isEmpty()) {
            markup += QStringLiteral("<p style=\"margin:0; -qt-paragraph-type:empty;\"><br/></p>");
            continue;
        }
        const bool keepWhole =
            line.startsWith(QLatin1Char('/')) || !line.contains(QLatin1Char(' '));
        markup += QStringLiteral("<div style=\"white-space:%1\">%2</div>")
                      .arg(keepWhole ? QStringLiteral("pre") : QStringLiteral("normal"),
                           line.toHtmlEscaped());
    }
    return QStringLiteral("<qt>%1</qt>").arg(markup);
}

std::string currentExecutablePath() {
#ifdef __APPLE__
    char buffer[PROC_PIDPATHINFO_MAXSIZE] = {};
    if (proc_pidpath(getpid(), buffer, sizeof buffer) > 0) {
        return buffer;
    }
    return QCoreApplication::applicationFilePath().toStdString();
#else
    // Read anew each time: the link follows the file when it is moved.
    std::error_code error;
    std::string path = std::filesystem::read_symlink("/proc/self/exe", error).string();
    if (error) {
        return QCoreApplication::applicationFilePath().toStdString();
    }
    const std::string deletedSuffix = " (deleted)";
    if (path.size() > deletedSuffix.size() &&
        path.compare(path.size() - deletedSuffix.size(), deletedSuffix.size(), deletedSuffix) ==
            0) {
        path.resize(path.size() - deletedSuffix.size());
    }
    return path;
#endif
}

std::string withoutTrailingSlash(std::string path) {
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    return path;
}

}  // namespace

int MessageBoxAlerts::runModal(const AlertSpec& alert) {
    QMessageBox box;
    box.setWindowTitle(QCoreApplication::applicationName());
    box.setIcon(iconFor(alert.style));
    box.setText(QString::fromStdString(alert.message));
    box.setInformativeText(informativeMarkup(alert.informativeText));
    // Paths and commands in an alert are there to be copied.
    box.setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    if (auto* informative = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel"))) {
        informative->setTextInteractionFlags(Qt::TextSelectableByMouse |
                                             Qt::TextSelectableByKeyboard);
    }
    const std::vector<std::string> titles =
        alert.buttons.empty()
            ? std::vector<std::string>{QCoreApplication::translate("Alerts", "OK").toStdString()}
            : alert.buttons;
    std::vector<QPushButton*> buttons;
    for (const std::string& title : titles) {
        // One role for all keeps the buttons in the order given on every platform.
        buttons.push_back(box.addButton(QString::fromStdString(title), QMessageBox::ActionRole));
    }
    box.setDefaultButton(buttons.front());
    if (!alert.details.empty()) {
        box.setDetailedText(QString::fromStdString(alert.details));
        // Why it failed is what the user looks for first: the details are open from the start.
        for (QAbstractButton* button : box.buttons()) {
            if (std::find(buttons.begin(), buttons.end(), button) == buttons.end()) {
                button->click();
            }
        }
    }
    box.addActions(windowActions_);
    for (std::size_t i = 0; i < titles.size(); ++i) {
        if (titles[i] == QCoreApplication::translate("Alerts", "Cancel").toStdString() ||
            titles.size() == 1) {
            box.setEscapeButton(buttons[i]);
            break;
        }
    }
    box.exec();
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        if (box.clickedButton() == buttons[i]) {
            return static_cast<int>(i);
        }
    }
    return NO_ANSWER;
}

namespace {

// Qt's own dialog opens a folder whose name is given for saving; this one takes it as the
// destination. The desktop's native dialogs do the same as Qt's, so this one is used on Linux.
class FolderSaveDialog : public QFileDialog {
public:
    explicit FolderSaveDialog(std::function<bool(QWidget*, const QString&)> confirmReplace)
        : confirmReplace_(std::move(confirmReplace)) {
#ifndef __APPLE__
        setOption(QFileDialog::DontUseNativeDialog);
#endif
    }

    void accept() override {
        const QStringList files = selectedFiles();
        if (files.size() != 1 || !QFileInfo(files.front()).isDir()) {
            QFileDialog::accept();
            return;
        }
        if (confirmReplace_(this, files.front())) {
            QDialog::accept();
        }
    }

private:
    std::function<bool(QWidget*, const QString&)> confirmReplace_;
};

bool askToReplace(QWidget* parent, const QString& path) {
    return QMessageBox::warning(
               parent, parent->windowTitle(),
               QCoreApplication::translate("FileDialogSaveDialog",
                                           "%1 is already there. Replace it with the logs?")
                   .arg(QDir::toNativeSeparators(path)),
               QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes;
}

}  // namespace

std::optional<std::string> FileDialogSaveDialog::askForDestination(
    const std::string& title, const std::string& proposedName) {
    FolderSaveDialog dialog(confirmReplace ? confirmReplace : askToReplace);
    dialog.setWindowTitle(QString::fromStdString(title));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDirectory(QDir::homePath());
    dialog.selectFile(QString::fromStdString(proposedName));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return dialog.selectedFiles().front().toStdString();
}

std::vector<std::string> terminalCommandFor(
    const std::string& scriptPath, const std::string& terminalVariable,
    const std::function<std::string(const std::string&)>& findExecutable) {
    std::vector<std::string> candidates;
    if (!terminalVariable.empty()) {
        candidates.push_back(terminalVariable);
    }
    for (const char* name :
         {"x-terminal-emulator", "gnome-terminal", "konsole", "xfce4-terminal", "xterm"}) {
        candidates.emplace_back(name);
    }
    for (const std::string& candidate : candidates) {
        const std::string program = findExecutable(candidate);
        if (program.empty()) {
            continue;
        }
        // gnome-terminal takes the command after "--"; the others after "-e".
        const bool dashDash = std::filesystem::path(candidate).filename() == "gnome-terminal";
        return {program, dashDash ? "--" : "-e", scriptPath};
    }
    return {};
}

std::string DesktopTerminalOpener::openScript(const std::string& scriptPath) {
#ifdef __APPLE__
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(scriptPath)))) {
        return QCoreApplication::translate("DesktopTerminalOpener",
                                           "The system could not open %1 in Terminal.")
            .arg(QString::fromStdString(scriptPath))
            .toStdString();
    }
    return {};
#else
    const std::vector<std::string> command = terminalCommandFor(
        scriptPath, qEnvironmentVariable("TERMINAL").toStdString(), [](const std::string& name) {
            return QStandardPaths::findExecutable(QString::fromStdString(name)).toStdString();
        });
    if (command.empty()) {
        const QString variable = qEnvironmentVariable("TERMINAL");
        return QCoreApplication::translate(
                   "DesktopTerminalOpener",
                   "No terminal program was found. Tried: %1, x-terminal-emulator, "
                   "gnome-terminal, konsole, xfce4-terminal, xterm.")
            .arg(variable.isEmpty()
                     ? QCoreApplication::translate("DesktopTerminalOpener", "$TERMINAL (not set)")
                     : variable)
            .toStdString();
    }
    QStringList arguments;
    for (std::size_t i = 1; i < command.size(); ++i) {
        arguments << QString::fromStdString(command[i]);
    }
    if (!QProcess::startDetached(QString::fromStdString(command.front()), arguments)) {
        return QCoreApplication::translate("DesktopTerminalOpener",
                                           "The terminal program %1 could not be started.")
            .arg(QString::fromStdString(command.front()))
            .toStdString();
    }
    return {};
#endif
}

void DesktopFileViewer::showFolder(const std::string& path, std::function<void(bool)> done) {
#ifdef __APPLE__
    done(QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path))));
#else
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
#endif
}

std::chrono::system_clock::time_point SystemClock::now() {
    return std::chrono::system_clock::now();
}

std::string installFolderOfExecutable(const std::string& executablePath) {
    const std::filesystem::path normal = std::filesystem::path(executablePath).lexically_normal();
    return withoutTrailingSlash(normal.parent_path().parent_path().string());
}

std::string ExecutableBundleLocator::bundlePath() {
    const std::string executable = currentExecutablePath();
#ifdef __APPLE__
    // <bundle>.app/Contents/MacOS/<program>
    std::filesystem::path bundle = std::filesystem::path(executable).lexically_normal();
    for (int i = 0; i < 3 && bundle.has_parent_path(); ++i) {
        bundle = bundle.parent_path();
    }
    if (bundle.extension() == ".app") {
        return withoutTrailingSlash(bundle.string());
    }
#endif
    return installFolderOfExecutable(executable);
}

// Raising every window, in the application's arbitrary order, could put the main window over
// the settings window the user just opened; only the window in use comes forward.
void QtAppHost::activate() {
    QWidget* window = QApplication::activeModalWidget();
    if (window == nullptr) {
        window = QApplication::activeWindow();
    }
    if (window != nullptr) {
        window->raise();
        window->activateWindow();
    }
}

QtAppHost::QtAppHost()
    : trayWatcher_(std::make_unique<TrayWatcher>(QDBusConnection::sessionBus())) {}

QtAppHost::~QtAppHost() = default;

bool QtAppHost::trayAvailable() {
    return trayWatcher_->available();
}

void QtAppHost::whenTrayAppears(std::function<void()> appeared) {
    QObject::connect(trayWatcher_.get(), &TrayWatcher::appeared, trayWatcher_.get(),
                     std::move(appeared));
}

void QtAppHost::terminate() {
    if (beforeQuit) {
        beforeQuit();
    }
    // exit() ends every running event loop, an open alert's too, which then closes without an
    // answer. quit() would ask the windows first, and an alert without a Cancel button refuses.
    QCoreApplication::exit(0);
}

}  // namespace tarvex
