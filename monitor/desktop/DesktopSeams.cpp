#include "monitor/desktop/DesktopSeams.h"
#include "monitor/desktop/Platform.h"
#include "monitor/desktop/TrayWatcher.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QWidget>

#include <algorithm>
#include <filesystem>

namespace tarvex {

namespace {

QMessageBox::Icon iconFor(AlertStyle style) {
    return style == AlertStyle::informational ? QMessageBox::Information
           : style == AlertStyle::critical    ? QMessageBox::Critical
                                              : QMessageBox::Warning;
}

// The message box wraps long lines, and it may break a path after any slash. Path lines (and
// other lines without a space) are kept whole, so that each log path reads on a line of its
// own; the prose around them still wraps. An empty line is Qt's own empty paragraph, so that
// the text a screen reader reads, or the user copies, is exactly the text given.
QString informativeMarkup(const QString& text) {
    QString markup;
    for (const QString& line : text.split(QLatin1Char('\n'))) {
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

}  // namespace

int MessageBoxAlerts::runModal(const AlertSpec& alert) {
    QMessageBox box;
    box.setWindowTitle(QCoreApplication::applicationName());
    box.setIcon(iconFor(alert.style));
    box.setText(alert.message);
    box.setInformativeText(informativeMarkup(alert.informativeText));
    // Paths and commands in an alert are there to be copied.
    box.setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    if (auto* informative = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel"))) {
        informative->setTextInteractionFlags(Qt::TextSelectableByMouse |
                                             Qt::TextSelectableByKeyboard);
    }
    const QStringList titles = alert.buttons.empty()
                                   ? QStringList{QCoreApplication::translate("Alerts", "OK")}
                                   : alert.buttons;
    std::vector<QPushButton*> buttons;
    for (const QString& title : titles) {
        // One role for all keeps the buttons in the order given on every platform.
        buttons.push_back(box.addButton(title, QMessageBox::ActionRole));
    }
    box.setDefaultButton(buttons.front());
    if (!alert.details.isEmpty()) {
        box.setDetailedText(alert.details);
        // Why it failed is what the user looks for first: the details are open from the start.
        for (QAbstractButton* button : box.buttons()) {
            if (std::find(buttons.begin(), buttons.end(), button) == buttons.end()) {
                button->click();
            }
        }
    }
    box.addActions(windowActions_);
    // A lone button, else Cancel, answers Escape.
    const qsizetype escape =
        titles.size() == 1 ? 0 : titles.indexOf(QCoreApplication::translate("Alerts", "Cancel"));
    if (escape >= 0) {
        box.setEscapeButton(buttons[static_cast<std::size_t>(escape)]);
    }
    box.exec();
    const auto clicked = std::find(buttons.begin(), buttons.end(), box.clickedButton());
    return clicked == buttons.end() ? NO_ANSWER : static_cast<int>(clicked - buttons.begin());
}

namespace {

// Qt's own dialog opens a folder whose name is given for saving; this one takes it as the
// destination. The desktop's native dialogs do the same as Qt's, so this one is used on Linux.
class FolderSaveDialog : public QFileDialog {
public:
    explicit FolderSaveDialog(std::function<bool(QWidget*, const QString&)> confirmReplace)
        : confirmReplace_(std::move(confirmReplace)) {
        if (!platform::nativeSaveDialogTakesFolders()) {
            setOption(QFileDialog::DontUseNativeDialog);
        }
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

std::optional<QString> FileDialogSaveDialog::askForDestination(const QString& title,
                                                               const QString& proposedName) {
    FolderSaveDialog dialog(confirmReplace ? confirmReplace : askToReplace);
    dialog.setWindowTitle(title);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDirectory(QDir::homePath());
    dialog.selectFile(proposedName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return dialog.selectedFiles().front();
}

std::vector<std::string> terminalCommandFor(
    const std::string& scriptPath, const std::string& terminalVariable,
    const std::function<std::string(const std::string&)>& findExecutable) {
    std::vector<std::string> candidates = {"x-terminal-emulator", "gnome-terminal", "konsole",
                                           "xfce4-terminal", "xterm"};
    if (!terminalVariable.empty()) {
        candidates.insert(candidates.begin(), terminalVariable);
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

std::chrono::system_clock::time_point SystemClock::now() {
    return std::chrono::system_clock::now();
}

std::string installFolderOfExecutable(const std::string& executablePath) {
    const std::filesystem::path normal = std::filesystem::path(executablePath).lexically_normal();
    std::string folder = normal.parent_path().parent_path().string();
    while (folder.size() > 1 && folder.back() == '/') {
        folder.pop_back();
    }
    return folder;
}

// Raising every window, in the application's arbitrary order, could put the main window over
// the settings window the user just opened; only the window in use comes forward.
void QtAppHost::activate() {
    QWidget* const modal = QApplication::activeModalWidget();
    if (QWidget* window = modal != nullptr ? modal : QApplication::activeWindow()) {
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
