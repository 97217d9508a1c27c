#pragma once

#include <QObject>
#include <QSystemTrayIcon>
#include <QTimer>

#include <memory>

#include "monitor/controller/MonitorSeams.h"
#include "monitor/controller/ServiceCommands.h"
#include "monitor/controller/ServiceNotifications.h"
#include "monitor/controller/StatusPoller.h"
#include "monitor/desktop/ModalDeferral.h"
#include "monitor/ui/CommandActions.h"
#include "monitor/ui/StatusModel.h"

namespace tarvex {

class MainWindowController;
class SettingsWindowController;
class StatusMenu;
class StatusTray;

// background: the tray icon only, as at login; the window waits for a click or a second start.
enum class LaunchMode { ordinary, background };

// The wiring point: owns the status model, the shared actions, the views (tray icon, status
// menu, main window, settings window), the status poller, the service commands and the
// app-removal watch, whose timer is a child named "appRemovalTimer". Everything runs on the main
// thread.
class TarvexMenuBarApp : public QObject {
    Q_OBJECT

public:
    explicit TarvexMenuBarApp(MonitorSeams seams, QObject* parent = nullptr);
    ~TarvexMenuBarApp() override;

    // --- Launch and the status menu (TarvexMenuBarApp.cpp, Commands.cpp) ---
    void applicationDidFinishLaunching(LaunchMode mode = LaunchMode::ordinary);
    void statusBarClicked(QSystemTrayIcon::ActivationReason reason,
                          Qt::KeyboardModifiers modifiers);
    bool applicationShouldHandleReopen();
    void applicationShouldTerminate();
    void buildMenu();
    void openSettings();
    void quitMonitor();

    // --- App-removal watch (AppRemovalWatch.cpp) ---
    void startAppRemovalMonitor();
    void checkAppRemoval();

    // --- What the views and tests see ---
    StatusModel& model() { return model_; }
    const StatusModel& model() const { return model_; }
    QAction* action(Command command) const { return actions_.action(command); }
    QSystemTrayIcon* statusItem() const;  // null until there is a tray

private:
    void connectCommands();
    void setShowNotifications(bool on);
    void setStartAtLogin(bool on);
    void popUpStatusMenu(const QPoint& globalPosition);
    void showTrayIcon();
    void trayAppeared();
    void stopTimers();
    void uninstallAutomatically();
    void quitQuietly();

    MonitorSeams seams_;
    // Before the model, which it follows: it goes after it.
    ServiceNotifications notifications_;
    StatusModel model_;
    CommandActions actions_{this};
    // The poll and the app-removal watch wait while an alert or the status menu is open.
    ModalDeferral modalDeferral_{this};
    StatusPoller poller_;
    ServiceCommands commands_;
    std::unique_ptr<SettingsWindowController> settingsController_;
    std::unique_ptr<MainWindowController> mainWindowController_;
    StatusTray* statusTray_ = nullptr;    // a child, made once there is a tray
    bool windowStandsInForTray_ = false;  // shown by a background start only for want of a tray
    StatusMenu* statusMenu_ = nullptr;    // a child, made at launch
    const bool launchedFromInstalledApp_;

    QTimer appRemovalTimer_{this};  // the app-removal watch's, repeating
    bool uninstallingAfterAppRemoval_ = false;
    bool installedBundleMissingAtLastLook_ = false;  // a removal counts at the second look
};

}  // namespace tarvex
