#include "monitor/desktop/DesktopNotifier.h"

#include <QApplication>
#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QIcon>
#include <QImage>
#include <QStringList>
#include <QStyle>
#include <QVariantMap>

#include <utility>

namespace tarvex {

namespace {

const QString SERVICE = QStringLiteral("org.freedesktop.Notifications");
const QString PATH = QStringLiteral("/org/freedesktop/Notifications");

// A notification service that does not answer within this time is treated as absent.
constexpr int NOTIFY_TIMEOUT_MS = 5000;
constexpr int PICTURE_SIZE = 48;

}  // namespace

// The "image-data" hint: width, height, row stride, alpha, bits per sample, channels, pixels.
struct NotificationPicture {
    QImage image;
};

QDBusArgument& operator<<(QDBusArgument& argument, const NotificationPicture& picture) {
    const QImage rgba = picture.image.convertToFormat(QImage::Format_RGBA8888);
    argument.beginStructure();
    argument << rgba.width() << rgba.height() << static_cast<int>(rgba.bytesPerLine()) << true << 8
             << 4
             << QByteArray(reinterpret_cast<const char*>(rgba.constBits()),
                           static_cast<int>(rgba.sizeInBytes()));
    argument.endStructure();
    return argument;
}

// Only sent; the type system asks for both directions.
const QDBusArgument& operator>>(const QDBusArgument& argument, NotificationPicture&) {
    return argument;
}

}  // namespace tarvex

Q_DECLARE_METATYPE(tarvex::NotificationPicture)

namespace tarvex {

namespace {

// The alert's own error picture, as the desktop's style draws it.
QVariant errorPicture() {
    static const QMetaType registered = qDBusRegisterMetaType<NotificationPicture>();
    (void)registered;
    const QIcon icon = QApplication::style()->standardIcon(QStyle::SP_MessageBoxCritical);
    return QVariant::fromValue(
        NotificationPicture{icon.pixmap(PICTURE_SIZE, PICTURE_SIZE).toImage()});
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
    waiting_.push_back({summary, body, urgency});
    if (!calling_) {
        sendNext();
    }
}

void DesktopNotifier::sendNext() {
    calling_ = !waiting_.empty();
    if (!calling_) {
        return;
    }
    const Message message = waiting_.front();
    waiting_.pop_front();
    QDBusMessage call =
        QDBusMessage::createMethodCall(SERVICE, PATH, SERVICE, QStringLiteral("Notify"));
    QVariantMap hints;
    // 1 normal, 2 critical: critical ones stay until dismissed.
    const bool critical = message.urgency == NotificationUrgency::critical;
    hints.insert(QStringLiteral("urgency"), QVariant::fromValue(uchar(critical ? 2 : 1)));
    hints.insert(QStringLiteral("desktop-entry"), QStringLiteral("tarvex-monitor"));
    if (critical) {
        hints.insert(QStringLiteral("image-data"), errorPicture());
    }
    call << QStringLiteral("tarvex Monitor") << shownId_ << QStringLiteral("tarvex-monitor")
         << message.summary << message.body << QStringList() << hints << -1;

    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call, NOTIFY_TIMEOUT_MS), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, message](QDBusPendingCallWatcher* finished) {
                finished->deleteLater();
                const QDBusPendingReply<uint> reply = *finished;
                if (reply.isError()) {
                    qWarning("No desktop notification service (%s); using the tray instead",
                             qPrintable(reply.error().message()));
                    fallback_(message.summary, message.body, message.urgency);
                } else {
                    shownId_ = reply.value();
                }
                sendNext();
            });
}

}  // namespace tarvex
