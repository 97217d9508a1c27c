#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>

#include <deque>
#include <functional>

#include "monitor/desktop/Notifier.h"

namespace tarvex {

// Sends notifications to the desktop's notification service (org.freedesktop.Notifications on
// the session bus). Where there is no bus or nobody serves the name, or the service answers
// with an error, the message goes to `fallback` instead (the tray icon's balloon), so that it
// is never lost. Asynchronous: notify() never waits for the service. Each notification takes
// the place of the one before it, which told older news about the same service, and a critical
// one shows the error picture rather than the application's icon.
class DesktopNotifier : public QObject, public Notifier {
    Q_OBJECT

public:
    using Fallback =
        std::function<void(const QString& summary, const QString& body, NotificationUrgency)>;

    DesktopNotifier(QDBusConnection bus, Fallback fallback, QObject* parent = nullptr);

    void notify(const QString& summary, const QString& body, NotificationUrgency urgency) override;

private:
    struct Message {
        QString summary;
        QString body;
        NotificationUrgency urgency;
    };
    void sendNext();

    QDBusConnection bus_;
    Fallback fallback_;
    // One call at a time, so that each names the one it replaces by the number the service gave.
    std::deque<Message> waiting_;
    bool calling_ = false;
    uint shownId_ = 0;
};

}  // namespace tarvex
