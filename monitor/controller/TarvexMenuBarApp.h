#pragma once

#include <QObject>
#include <QPointer>
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

class QAction;
class QMenu;

namespace tarvex {

class MainWindowController;
class SettingsWindowController;

inline constexpr double STATUS_INTERVAL_STABLE = 10.0;
inline constexpr double STATUS_INTERVAL_TRANSIENT = 1.0;

// background: the tray icon only, as at login; the window waits for a click or a second start.
enum class LaunchMode { ordinary, background };

// The one controller: owns the tray icon, the status menu, both timers and the two window
// controllers, and holds all state about the service. Everything runs on the main thread.
class TarvexMenuBarApp : public QObject {
    Q_OBJECT

public:
    explicit TarvexMenuBarApp(MonitorSeams seams, QObject* parent = nullptr);
    ~TarvexMenuBarApp() override;

    // --- Fields (read by tests; written only as their comments say) ---
    QSystemTrayIcon* statusItem = nullptr;  // created at launch, never replaced
    QMenu* menu = nullptr;                  // built by buildMenu()
    QTimer* statusTimer = nullptr;          // one-shot; armed only by scheduleNextPoll()
    QTimer* appRemovalTimer = nullptr;      // the app-removal watch's repeating timer
    TarvexStatus currentStatus;             // written only by applyStatus()
    std::unique_ptr<SettingsWindowController> settingsController;
    std::unique_ptr<MainWindowController> mainWindowController;
    const bool launchedFromInstalledApp;
    bool uninstallingAfterAppRemoval = false;
    bool serviceOperationInProgress = false;
    std::optional<std::chrono::system_clock::time_point> startingStateStartTime;
    bool startupFailureShown = false;
    static constexpr double STARTUP_FAILURE_TIMEOUT = 30.0;
    QAction* statusMenuItem = nullptr;
    QAction* portMenuItem = nullptr;
    QAction* startItem = nullptr;
    QAction* stopItem = nullptr;
    QAction* restartItem = nullptr;
    QAction* settingsItem = nullptr;
    QAction* setupItem = nullptr;
    bool statusRefreshInFlight = false;

    // --- Launch, polling, menu (TarvexMenuBarApp.cpp, StatusMenu.cpp) ---
    void applicationDidFinishLaunching(LaunchMode mode = LaunchMode::ordinary);
    void statusBarClicked(QSystemTrayIcon::ActivationReason reason,
                          Qt::KeyboardModifiers modifiers);
    bool applicationShouldHandleReopen();
    void applicationShouldTerminate();
    void buildMenu();
    void refreshStatus();
    void applyButtonState();
    void applyStatus(const TarvexStatus& status);
    void scheduleNextPoll();
    void showStartupFailure();

    // --- App-removal watch (AppRemovalWatch.cpp) ---
    void startAppRemovalMonitor();
    void checkAppRemoval();

    // --- Service operations (ServiceOperations.cpp) ---
    void showResult(bool success, const std::string& output, const std::string& title = "tarvex");
    bool confirmAction(const std::string& message, const std::string& info);

    MonitorSeams& seams() { return seams_; }
    // Why the helper could not be reached at the last status answer; none when it answered.
    HelperFault helperFault() const { return helperFault_; }
    // Asks for the administrator right; when nobody could even be asked, says why.
    bool authorize(const std::string& prompt);
    ServiceNotifications& notifications() { return notifications_; }

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
    void openMainWindow();

private:
    MonitorSeams seams_;

    // --- Poll loop and menu internals (TarvexMenuBarApp.cpp, StatusMenu.cpp) ---
    // A status request unanswered this long counts as a failed answer.
    static constexpr int STATUS_ANSWER_TIMEOUT_MS = 60'000;
    void receiveStatusAnswer(quint64 generation, bool success, const std::string& output,
                             HelperFault fault);
    void showHelperState();
    void setShowNotifications(bool on);
    void setStartAtLogin(bool on);
    void runInTerminal(const std::string& subcommand);
    void statusAnswerTimedOut();
    void popUpStatusMenu(const QPoint& globalPosition);
    void refreshToolTip();
    QTimer* statusAnswerDeadline_ = nullptr;  // objectName "statusAnswerDeadline"
    quint64 statusRequestGeneration_ = 0;     // answers to older requests are ignored
    HelperFault helperFault_ = HelperFault::none;
    ServiceNotifications notifications_;
    // The poll and the app-removal watch wait while an alert or the status menu is open.
    ModalDeferral* modalDeferral_ = nullptr;

    // --- Log actions and app-removal watch internals (LogActions.cpp, AppRemovalWatch.cpp) ---
    class TerminalScriptLauncher& terminalScriptLauncher();  // made on first use, a child
    class TerminalScriptLauncher* terminalScriptLauncher_ = nullptr;
    bool installedBundleMissingAtLastLook_ = false;  // a removal counts at the second look
};

}  // namespace tarvex
