#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>

#include <functional>

#include "monitor/desktop/Notifier.h"

namespace tarvex {

// Sends notifications to the desktop's notification service (org.freedesktop.Notifications on
// the session bus). Where there is no bus or nobody serves the name, or the service answers
// with an error, the message goes to `fallback` instead (the tray icon's balloon), so that it
// is never lost. Asynchronous: notify() never waits for the service.
class DesktopNotifier : public QObject, public Notifier {
    Q_OBJECT

public:
    using Fallback =
        std::function<void(const QString& summary, const QString& body, NotificationUrgency)>;

    DesktopNotifier(QDBusConnection bus, Fallback fallback, QObject* parent = nullptr);

    void notify(const QString& summary, const QString& body, NotificationUrgency urgency) override;

private:
    QDBusConnection bus_;
    Fallback fallback_;
};

}  // namespace tarvex
