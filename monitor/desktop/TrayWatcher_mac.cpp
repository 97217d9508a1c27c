#include "monitor/desktop/TrayWatcher.h"

#include <QSystemTrayIcon>

namespace tarvex {

// The menu bar is always there; there is no D-Bus or X11 tray to watch for.
TrayWatcher::TrayWatcher(QDBusConnection bus, QObject* parent) : QObject(parent), bus_(bus) {}

bool TrayWatcher::available() const {
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void TrayWatcher::lookForStatusNotifierHost() {}

void TrayWatcher::lookForX11Tray() {}

}  // namespace tarvex
