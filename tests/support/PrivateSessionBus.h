#pragma once

// A message bus of the test's own, so that tests never touch the desktop's session bus. It
// activates no services: only what a test registers answers on it.

#include <QDBusConnection>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

namespace tarvex::testing {

class PrivateSessionBus {
public:
    PrivateSessionBus() {
        const QString config = dir_.filePath(QStringLiteral("bus.conf"));
        QFile file(config);
        if (!file.open(QIODevice::WriteOnly)) {
            return;
        }
        file.write(QStringLiteral("<busconfig><type>session</type><listen>unix:dir=%1</listen>"
                                  "<auth>EXTERNAL</auth><policy context=\"default\">"
                                  "<allow send_destination=\"*\" eavesdrop=\"true\"/>"
                                  "<allow eavesdrop=\"true\"/><allow own=\"*\"/>"
                                  "</policy></busconfig>")
                       .arg(dir_.path())
                       .toUtf8());
        file.close();
        daemon_.start(QStringLiteral("dbus-daemon"),
                      {QStringLiteral("--config-file=") + config, QStringLiteral("--nofork"),
                       QStringLiteral("--print-address=1")});
        if (daemon_.waitForStarted(5000) && daemon_.waitForReadyRead(5000)) {
            address_ = QString::fromUtf8(daemon_.readLine()).trimmed();
        }
    }

    ~PrivateSessionBus() {
        daemon_.terminate();
        daemon_.waitForFinished(5000);
        for (const QString& name : names_) {
            QDBusConnection::disconnectFromBus(name);
        }
    }

    bool running() const { return !address_.isEmpty(); }

    // A new connection to the bus, under a name unique to this bus.
    QDBusConnection connect(const QString& name) {
        const QString unique = name + QString::number(reinterpret_cast<quintptr>(this));
        names_ << unique;
        return QDBusConnection::connectToBus(address_, unique);
    }

private:
    QTemporaryDir dir_;
    QProcess daemon_;
    QString address_;
    QStringList names_;
};

}  // namespace tarvex::testing
