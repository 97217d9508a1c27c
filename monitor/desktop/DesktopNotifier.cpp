#include "monitor/desktop/DesktopNotifier.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QStringList>
#include <QVariantMap>

#include <utility>

namespace tarvex {

namespace {

const QString SERVICE = QStringLiteral("org.freedesktop.Notifications");
const QString PATH = QStringLiteral("/org/freedesktop/Notifications");

// A notification service that does not answer within this time is treated as absent.
constexpr int NOTIFY_TIMEOUT_MS = 5000;

// The notification's urgency hint: 1 normal, 2 critical (critical ones stay until dismissed).
uchar urgencyLevel(NotificationUrgency urgency) {
    return urgency == NotificationUrgency::critical ? 2 : 1;
}

}  // namespace

DesktopNotifier::DesktopNotifier(QDBusConnection bus, Fallback fallback, QObject* parent)
    : QObject(parent), bus_(std::move(bus)), fallback_(std::move(fallback)) {}

void DesktopNotifier::notify(const QString& summary, const QString& body,
                             NotificationUrgency urgency) {
    if (!bus_.isConnected()) {
        fallback_(summary, body, urgency);
        return;
    }
    QDBusMessage call =
        QDBusMessage::createMethodCall(SERVICE, PATH, SERVICE, QStringLiteral("Notify"));
    QVariantMap hints;
    hints.insert(QStringLiteral("urgency"), QVariant::fromValue(urgencyLevel(urgency)));
    hints.insert(QStringLiteral("desktop-entry"), QStringLiteral("tarvex-monitor"));
    call << QStringLiteral("tarvex Monitor") << 0u << QStringLiteral("tarvex-monitor") << summary
         << body << QStringList() << hints << -1;

    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call, NOTIFY_TIMEOUT_MS), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, summary, body, urgency](QDBusPendingCallWatcher* finished) {
                finished->deleteLater();
                const QDBusPendingReply<uint> reply = *finished;
                if (reply.isError()) {
                    qWarning("No desktop notification service (%s); using the tray instead",
                             qPrintable(reply.error().message()));
                    fallback_(summary, body, urgency);
                }
            });
}

}  // namespace tarvex
