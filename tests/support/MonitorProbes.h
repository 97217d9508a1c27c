#pragma once

// How tests look at a running monitor: through its model, its shared actions and the children it
// names, the way a user's tools find them.

#include <QAction>
#include <QMenu>
#include <QTimer>

#include "monitor/controller/TarvexMenuBarApp.h"
#include "monitor/ui/MainWindowController.h"
#include "monitor/ui/SettingsWindowController.h"
#include "monitor/ui/StatusMenu.h"
#include "tests/support/WindowChild.h"

namespace tarvex::testing {

inline QTimer* namedTimer(const QObject& owner, const char* name) {
    return owner.findChild<QTimer*>(QLatin1String(name));
}
inline QTimer* statusTimer(const TarvexMenuBarApp& app) {
    return namedTimer(app, "statusTimer");
}
inline QTimer* appRemovalTimer(const TarvexMenuBarApp& app) {
    return namedTimer(app, "appRemovalTimer");
}
// Armed exactly while a status request is awaited.
inline QTimer* statusAnswerDeadline(const TarvexMenuBarApp& app) {
    return namedTimer(app, "statusAnswerDeadline");
}

// The pieces the controller owns, by their type.
inline ServiceCommands& commands(const TarvexMenuBarApp& app) {
    return *app.findChild<ServiceCommands*>();
}
inline StatusPoller& poller(const TarvexMenuBarApp& app) {
    return *app.findChild<StatusPoller*>();
}
inline MainWindowController& mainWindow(const TarvexMenuBarApp& app) {
    return *app.findChild<MainWindowController*>();
}
inline SettingsWindowController& settingsWindow(const TarvexMenuBarApp& app) {
    return *app.findChild<SettingsWindowController*>();
}
// Null until launch.
inline QMenu* statusMenu(const TarvexMenuBarApp& app) {
    const StatusMenu* menu = app.findChild<StatusMenu*>();
    return menu != nullptr ? menu->menu() : nullptr;
}

// The status menu's two information lines.
inline QAction* menuLine(const TarvexMenuBarApp& app, const char* name) {
    QMenu* menu = statusMenu(app);
    return menu != nullptr ? menu->findChild<QAction*>(QLatin1String(name)) : nullptr;
}
inline QAction* statusMenuItem(const TarvexMenuBarApp& app) {
    return menuLine(app, "statusLine");
}
inline QAction* portMenuItem(const TarvexMenuBarApp& app) {
    return menuLine(app, "portLine");
}

}  // namespace tarvex::testing
