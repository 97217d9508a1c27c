#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QObject>
#include <QTest>
#include <QVariantMap>

#include <vector>

#include "monitor/desktop/DesktopNotifier.h"
#include "tests/support/PrivateSessionBus.h"
#include "tests/support/TestApplication.h"

namespace tarvex {
namespace {

struct Sent {
    QString appName;
    QString summary;
    QString body;
    int urgency;
    uint replaces = 0;
    bool picture = false;
};

// Stands in for the desktop's notification daemon and records each call.
class FakeNotificationService : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    std::vector<Sent> received;

public slots:
    uint Notify(const QString& appName, uint replaces, const QString&, const QString& summary,
                const QString& body, const QStringList&, const QVariantMap& hints, int) {
        received.push_back({appName, summary, body, hints.value(QStringLiteral("urgency")).toInt(),
                            replaces, hints.contains(QStringLiteral("image-data"))});
        return 7;
    }
};

class NotifierTest : public ::testing::Test {
protected:
    void SetUp() override {
        testing::ensureTestApplication();
        ASSERT_TRUE(bus.running()) << "dbus-daemon did not start";
    }

    DesktopNotifier::Fallback recordFallback() {
        return [this](const QString& summary, const QString& body, NotificationUrgency urgency) {
            fallen.push_back({QString(), summary, body, urgency == NotificationUrgency::critical});
        };
    }

    testing::PrivateSessionBus bus;
    std::vector<Sent> fallen;  // urgency: 1 when critical
};

TEST_F(NotifierTest, ReachesTheDesktopsNotificationService) {
    QDBusConnection serviceSide = bus.connect(QStringLiteral("service"));
    FakeNotificationService service;
    ASSERT_TRUE(serviceSide.registerObject(QStringLiteral("/org/freedesktop/Notifications"),
                                           &service, QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(serviceSide.registerService(QStringLiteral("org.freedesktop.Notifications")));

    DesktopNotifier notifier(bus.connect(QStringLiteral("monitor")), recordFallback());
    notifier.notify(QStringLiteral("tarvex stopped"), QStringLiteral("body"),
                    NotificationUrgency::critical);
    notifier.notify(QStringLiteral("tarvex started"), QString(), NotificationUrgency::normal);
    ASSERT_TRUE(QTest::qWaitFor([&] { return service.received.size() == 2; }, 10000));

    EXPECT_EQ(service.received[0].appName, QStringLiteral("tarvex Monitor"));
    EXPECT_EQ(service.received[0].summary, QStringLiteral("tarvex stopped"));
    EXPECT_EQ(service.received[0].body, QStringLiteral("body"));
    EXPECT_EQ(service.received[0].urgency, 2);
    EXPECT_EQ(service.received[1].urgency, 1);
    EXPECT_TRUE(service.received[0].picture) << "the error's picture, not the application's icon";
    EXPECT_FALSE(service.received[1].picture);
    EXPECT_EQ(service.received[0].replaces, 0u);
    EXPECT_EQ(service.received[1].replaces, 7u) << "the older news goes";
    EXPECT_TRUE(fallen.empty());
}

TEST_F(NotifierTest, FallsBackWhenNobodyServesNotificationsOrThereIsNoBus) {
    DesktopNotifier noService(bus.connect(QStringLiteral("monitor")), recordFallback());
    noService.notify(QStringLiteral("one"), QStringLiteral("body"), NotificationUrgency::critical);
    ASSERT_TRUE(QTest::qWaitFor([&] { return fallen.size() == 1; }, 10000));

    DesktopNotifier noBus(QDBusConnection(QStringLiteral("never-connected")), recordFallback());
    noBus.notify(QStringLiteral("two"), QString(), NotificationUrgency::normal);

    ASSERT_EQ(fallen.size(), 2u);
    EXPECT_EQ(fallen[0].summary, QStringLiteral("one"));
    EXPECT_EQ(fallen[0].body, QStringLiteral("body"));
    EXPECT_EQ(fallen[0].urgency, 1);
    EXPECT_EQ(fallen[1].summary, QStringLiteral("two"));
    EXPECT_EQ(fallen[1].urgency, 0);
}

}  // namespace
}  // namespace tarvex

#include "NotifierTest.moc"
