#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QTimer>

namespace tarvex {

// Whether the desktop shows tray icons, and a signal when a tray appears later (a panel that
// starts after the monitor at login, an extension switched on). Linux: a StatusNotifierWatcher
// with a host on the session bus, followed by its signals, or, on X11, the owner of the system
// tray selection, looked at every few seconds. The answer is kept, so that asking never waits
// for the panel. It never asks Qt's own tray classes, which decide once per process whether to
// use the StatusNotifier protocol: a tray icon made before the panel was there would never
// reach it.
class TrayWatcher : public QObject {
    Q_OBJECT

public:
    explicit TrayWatcher(QDBusConnection bus, QObject* parent = nullptr);

    bool available() const;

signals:
    // When a tray becomes available where there was none.
    void appeared();

private slots:
    void lookForStatusNotifierHost();
    void lookForX11Tray();

private:
    static constexpr int X11_LOOK_INTERVAL_MS = 2000;

    void update(bool& seen, bool now);

    QDBusConnection bus_;
    QTimer x11Look_;
    bool statusNotifierHost_ = false;
    bool x11Tray_ = false;
};

}  // namespace tarvex
