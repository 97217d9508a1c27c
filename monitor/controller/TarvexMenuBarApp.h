#pragma once

#include <QObject>
#include <QSystemTrayIcon>
#include <QTimer>

#include <chrono>
#include <memory>
#include <optional>
#include <string>

#include "monitor/controller/MonitorSeams.h"
#include "monitor/controller/ServiceNotifications.h"
#include "monitor/desktop/ModalDeferral.h"
#include "monitor/status/TarvexStatus.h"
#include "monitor/ui/CommandActions.h"
#include "monitor/ui/StatusModel.h"
#include "shared/HelperProtocol.h"

class QAction;
class QMenu;

namespace tarvex {

class MainWindowController;
class SettingsWindowController;
class StatusMenu;
class StatusTray;

inline constexpr double STATUS_INTERVAL_STABLE = 10.0;
inline constexpr double STATUS_INTERVAL_TRANSIENT = 1.0;

// background: the tray icon only, as at login; the window waits for a click or a second start.
enum class LaunchMode { ordinary, background };

// The wiring point: owns the status model, the shared actions, the views (tray icon, status
// menu, main window, settings window), the poll and the app-removal watch, and carries out the
// commands. Everything runs on the main thread. Its timers are children named "statusTimer",
// "statusAnswerDeadline" and "appRemovalTimer".
class TarvexMenuBarApp : public QObject {
    Q_OBJECT

public:
    static constexpr double STARTUP_FAILURE_TIMEOUT = 30.0;

    explicit TarvexMenuBarApp(MonitorSeams seams, QObject* parent = nullptr);
    ~TarvexMenuBarApp() override;

    // --- Launch, polling, menu (TarvexMenuBarApp.cpp, StatusMenu.cpp) ---
    void applicationDidFinishLaunching(LaunchMode mode = LaunchMode::ordinary);
    void statusBarClicked(QSystemTrayIcon::ActivationReason reason,
                          Qt::KeyboardModifiers modifiers);
    bool applicationShouldHandleReopen();
    void applicationShouldTerminate();
    void buildMenu();
    void refreshStatus();
    void applyStatus(const StatusAnswer& answer);
    void scheduleNextPoll();
    void showStartupFailure();

    // --- App-removal watch (AppRemovalWatch.cpp) ---
    void startAppRemovalMonitor();
    void checkAppRemoval();

    // --- Service operations (ServiceOperations.cpp) ---
    // `details`: why a failure came about, shown with its alert.
    void showResult(bool success, const QString& title, const QString& details = {});
    bool confirmAction(const QString& message, const QString& info);
    // Asks for the administrator right for `command` with its prompt, where the monitor asks
    // itself (macOS, the demo); on Linux the helper asks when the request arrives.
    bool authorize(const std::string& command);

    // --- What the views and tests see ---
    StatusModel& model() { return model_; }
    const StatusModel& model() const { return model_; }
    QAction* action(Command command) const { return actions_->action(command); }
    QSystemTrayIcon* statusItem() const;  // null until there is a tray

public slots:
    void startService();
    void stopService();
    void restartService();
    void setupService();
    void uninstallService();
    // --- Logs and diagnostics (LogActions.cpp) ---
    void viewLogs();
    void saveLogs();
    void runDoctor();
    // --- Menu actions (StatusMenu.cpp) ---
    void openSettings();
    void quitMonitor();

private:
    // A status request unanswered this long counts as a failed answer, but never before the
    // helper has given up on the status run in flight and the one queued behind it. Operations
    // have no such deadline: the helper's reply may wait for a password and then the tool.
    static constexpr int STATUS_ANSWER_TIMEOUT_MS = 60'000;
    static_assert(std::chrono::milliseconds(STATUS_ANSWER_TIMEOUT_MS) >= 2 * STATUS_RUN_LIMIT);

    void connectCommands();
    void receiveStatusAnswer(quint64 generation, const HelperAnswer& reply);
    void trackStartup(const TarvexStatus& status);
    void setShowNotifications(bool on);
    void setStartAtLogin(bool on);
    void runInTerminal(const std::string& subcommand);
    void statusAnswerTimedOut();
    void pausePolling();
    // The answer as the model takes it, with what the installation probe finds now.
    StatusAnswer judgeAnswer(const HelperAnswer& reply);
    void popUpStatusMenu(const QPoint& globalPosition);
    void showTrayIcon();
    void trayAppeared();
    void stopTimers();
    void uninstallAutomatically();
    void quitQuietly();
    enum class LockedKind { start, stop, restart };
    // startupFailure: the stop after the start-up failure alert, which asks for no password
    // itself and reports its outcome only through the next status.
    enum class LockOrigin { user, startupFailure };
    void runLockedOperation(LockedKind kind, LockOrigin origin = LockOrigin::user);
    // When the helper's authorization check refused `command`: shows the last status again
    // (nothing ran), tells the user why unless the dialog was dismissed, and answers true.
    bool endRefused(const std::string& command, const HelperAnswer& reply,
                    const QString& failureTitle);
    void showLastStatus();
    class TerminalScriptLauncher& terminalScriptLauncher();  // made on first use, a child

    MonitorSeams seams_;
    StatusModel model_;
    CommandActions* actions_;  // a child
    std::unique_ptr<SettingsWindowController> settingsController_;
    std::unique_ptr<MainWindowController> mainWindowController_;
    StatusTray* statusTray_ = nullptr;    // a child, made once there is a tray
    bool windowStandsInForTray_ = false;  // shown by a background start only for want of a tray
    StatusMenu* statusMenu_ = nullptr;    // a child, made at launch
    const bool launchedFromInstalledApp_;

    QTimer* statusTimer_ = nullptr;  // one-shot; armed only by scheduleNextPoll()
    QTimer* statusAnswerDeadline_ = nullptr;
    QTimer* appRemovalTimer_ = nullptr;  // the app-removal watch's repeating timer
    bool statusRefreshInFlight_ = false;
    quint64 statusRequestGeneration_ = 0;  // answers to older requests are ignored

    // When the service was last seen loaded but not running, and whether that was told.
    std::optional<std::chrono::system_clock::time_point> startingStateStartTime_;
    bool startupFailureShown_ = false;

    bool uninstallingAfterAppRemoval_ = false;
    bool installedBundleMissingAtLastLook_ = false;  // a removal counts at the second look

    ServiceNotifications notifications_;
    // The poll and the app-removal watch wait while an alert or the status menu is open.
    ModalDeferral* modalDeferral_ = nullptr;
    class TerminalScriptLauncher* terminalScriptLauncher_ = nullptr;
};

}  // namespace tarvex
