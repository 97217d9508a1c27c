#pragma once

#include <QList>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "monitor/desktop/Seams.h"

class QAction;
class QWidget;

namespace tarvex {

// The real seams: the desktop's dialogs, terminal, file viewer, clock and application object.

class MessageBoxAlerts : public Alerts {
public:
    int runModal(const AlertSpec& alert) override;
    // Actions whose keys still work while an alert holds the application (Quit's Ctrl+Q): every
    // other window is blocked then.
    void setWindowActions(const QList<QAction*>& actions) { windowActions_ = actions; }

private:
    QList<QAction*> windowActions_;
};

// The log export is a folder: a name given in the dialog that is an existing folder is where the
// logs go, once the user agrees to replace it, not a folder to open.
class FileDialogSaveDialog : public SaveDialog {
public:
    std::optional<QString> askForDestination(const QString& title,
                                             const QString& proposedName) override;
    // Whether to replace the folder at `path`; the default asks with a message box.
    std::function<bool(QWidget* parent, const QString& path)> confirmReplace;
};

// macOS: opens the script, which Terminal runs. Elsewhere: runs it in the first terminal
// emulator found, detached from this process.
class DesktopTerminalOpener : public TerminalOpener {
public:
    Result openScript(const std::string& scriptPath) override;
};

class DesktopFileViewer : public FileViewer {
public:
    void showFolder(const std::string& path, std::function<void(bool shown)> done) override;
};

class SystemClock : public Clock {
public:
    std::chrono::system_clock::time_point now() override;
};

class ExecutableBundleLocator : public BundleLocator {
public:
    std::string bundlePath() override;
};

// Activation and termination of the Qt application. `beforeQuit` runs before the event loop
// is told to end (the controller stops its timers there).
class QtAppHost : public AppHost {
public:
    QtAppHost();
    ~QtAppHost() override;
    void activate() override;
    void terminate() override;
    bool trayAvailable() override;
    void whenTrayAppears(std::function<void()> appeared) override;
    std::function<void()> beforeQuit;

private:
    std::unique_ptr<class TrayWatcher> trayWatcher_;
};

// The terminal program and its arguments that run `scriptPath`, for the first candidate that
// `exists` accepts: $TERMINAL (when set), x-terminal-emulator, gnome-terminal, konsole,
// xfce4-terminal, xterm. Empty when none is found.
std::vector<std::string> terminalCommandFor(
    const std::string& scriptPath, const std::string& terminalVariable,
    const std::function<std::string(const std::string&)>& findExecutable);

// The install folder of an executable laid out as <folder>/bin/<program>: the parent of the
// folder holding it, lexically normalised, without a trailing "/".
std::string installFolderOfExecutable(const std::string& executablePath);

}  // namespace tarvex
