#pragma once

#include <QString>
#include <QStringList>

#include <chrono>
#include <functional>
#include <optional>
#include <string>

#include "monitor/desktop/Result.h"

namespace tarvex {

enum class AlertStyle { warning, informational, critical };

struct AlertSpec {
    QString message;
    QString informativeText;
    AlertStyle style = AlertStyle::warning;
    // In the order added; the first is the default (Return). Empty: one default "OK" button.
    QStringList buttons;
    // Why it came to this and what to do, under the text; empty: nothing more to say. (The
    // initializer lets the shorter brace lists leave it out without a warning.)
    QString details{};
};

// Modal alerts. runModal blocks until the user answers and returns the index of the button
// chosen (0 = first added), or NO_ANSWER when the alert went away without one (the application
// is quitting, e.g. at logout).
inline constexpr int NO_ANSWER = -1;

class Alerts {
public:
    virtual ~Alerts() = default;
    virtual int runModal(const AlertSpec& alert) = 0;
};

// The save dialog of the log export: the chosen path, or nothing when cancelled.
class SaveDialog {
public:
    virtual ~SaveDialog() = default;
    virtual std::optional<QString> askForDestination(const QString& title,
                                                     const QString& proposedName) = 0;
};

// Runs an executable script in a new interactive terminal window. A failure says what was
// tried and why it failed.
class TerminalOpener {
public:
    virtual ~TerminalOpener() = default;
    virtual Result openScript(const std::string& scriptPath) = 0;
};

// Shows a folder in the desktop's file viewer. `done` learns whether that worked, exactly once,
// on the main thread, possibly before showFolder returns.
class FileViewer {
public:
    virtual ~FileViewer() = default;
    virtual void showFolder(const std::string& path, std::function<void(bool shown)> done) = 0;
};

class Clock {
public:
    virtual ~Clock() = default;
    virtual std::chrono::system_clock::time_point now() = 0;
};

// Where the running application lives: the .app bundle on macOS, the install folder elsewhere.
// Answered anew at every call, in standard form (no "." or "..", no trailing "/").
class BundleLocator {
public:
    virtual ~BundleLocator() = default;
    virtual std::string bundlePath() = 0;
};

// The application object: bring it to the front, or end it; and whether the desktop shows
// tray icons.
class AppHost {
public:
    virtual ~AppHost() = default;
    virtual void activate() = 0;
    virtual void terminate() = 0;
    virtual bool trayAvailable() = 0;
    // `appeared` runs, on the main thread, each time a tray appears where there was none.
    virtual void whenTrayAppears(std::function<void()> appeared) = 0;
};

}  // namespace tarvex
