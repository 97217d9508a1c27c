#include "monitor/desktop/TrayWatcher.h"

#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QDBusServiceWatcher>
#include <QGuiApplication>

#if QT_CONFIG(xcb)
#include <QtGui/qguiapplication_platform.h>
#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>
#endif

namespace tarvex {

namespace {

const QString WATCHER_SERVICE = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString WATCHER_PATH = QStringLiteral("/StatusNotifierWatcher");

bool onX11() {
    return QGuiApplication::platformName() == QLatin1String("xcb");
}

// An X11 system tray owns the selection _NET_SYSTEM_TRAY_S<screen>; nearly every X server has
// just the one screen.
bool x11TrayPresent() {
#if QT_CONFIG(xcb)
    const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t* connection = x11 != nullptr && onX11() ? x11->connection() : nullptr;
    if (connection == nullptr) {
        return false;
    }
    static constexpr char selection[] = "_NET_SYSTEM_TRAY_S0";
    const std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> atom(
        xcb_intern_atom_reply(
            connection, xcb_intern_atom(connection, 1, sizeof selection - 1, selection), nullptr),
        &std::free);
    if (!atom || atom->atom == XCB_NONE) {
        return false;  // no tray has ever been on this display
    }
    const std::unique_ptr<xcb_get_selection_owner_reply_t, decltype(&std::free)> owner(
        xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, atom->atom),
                                      nullptr),
        &std::free);
    return owner && owner->owner != XCB_NONE;
#else
    return false;
#endif
}

}  // namespace

TrayWatcher::TrayWatcher(QDBusConnection bus, QObject* parent) : QObject(parent), bus_(bus) {
    if (bus_.isConnected()) {
        auto* watcher = new QDBusServiceWatcher(WATCHER_SERVICE, bus_,
                                                QDBusServiceWatcher::WatchForOwnerChange, this);
        connect(watcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
                &TrayWatcher::lookForStatusNotifierHost);
        // A watcher may come before the panel that hosts its items.
        bus_.connect(WATCHER_SERVICE, WATCHER_PATH, WATCHER_SERVICE,
                     QStringLiteral("StatusNotifierHostRegistered"), this,
                     SLOT(lookForStatusNotifierHost()));
        lookForStatusNotifierHost();
    }
    if (onX11()) {
        connect(&x11Look_, &QTimer::timeout, this, &TrayWatcher::lookForX11Tray);
        x11Look_.start(X11_LOOK_INTERVAL_MS);
        lookForX11Tray();
    }
}

bool TrayWatcher::available() const {
    return statusNotifierHost_ || x11Tray_;
}

void TrayWatcher::lookForStatusNotifierHost() {
    bool registered = false;
    if (bus_.interface()->isServiceRegistered(WATCHER_SERVICE)) {
        QDBusInterface watcher(WATCHER_SERVICE, WATCHER_PATH, WATCHER_SERVICE, bus_);
        registered =
            watcher.isValid() && watcher.property("IsStatusNotifierHostRegistered").toBool();
    }
    update(statusNotifierHost_, registered);
}

void TrayWatcher::lookForX11Tray() {
    update(x11Tray_, x11TrayPresent());
}

void TrayWatcher::update(bool& seen, bool now) {
    const bool before = available();
    seen = now;
    if (!before && available()) {
        emit appeared();
    }
}

}  // namespace tarvex
