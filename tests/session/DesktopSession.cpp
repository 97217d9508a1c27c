#include "tests/session/DesktopSession.h"

#include <signal.h>
#include <sys/stat.h>

#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QTest>
#include <QtEndian>

#include <algorithm>

#include "monitor/ui/StatusIcon.h"
#include "tests/support/TestApplication.h"

namespace tarvex::testing {

namespace {

const QString WATCHER_SERVICE = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString ITEM_INTERFACE = QStringLiteral("org.kde.StatusNotifierItem");
const QString ITEM_PATH = QStringLiteral("/StatusNotifierItem");
const QString BUS_NAME = QStringLiteral("tarvex-desktop-test");
constexpr int CALL_TIMEOUT_MS = 5000;

const QDBusArgument& operator>>(const QDBusArgument& argument, MenuEntry& entry) {
    argument.beginStructure();
    argument >> entry.id >> entry.properties;
    argument.beginArray();
    while (!argument.atEnd()) {
        QDBusVariant child;
        argument >> child;
        MenuEntry childEntry;
        child.variant().value<QDBusArgument>() >> childEntry;
        entry.children.push_back(std::move(childEntry));
    }
    argument.endArray();
    argument.endStructure();
    return argument;
}

// The first line a server prints on its standard output: where clients find it.
QString firstLine(QProcess& server) {
    while (!server.canReadLine()) {
        if (!server.waitForReadyRead(10000)) {
            return {};
        }
    }
    return QString::fromLocal8Bit(server.readLine()).trimmed();
}

}  // namespace

void StatusNotifierWatcher::RegisterStatusNotifierItem(const QString& serviceOrPath) {
    // An item names its bus name, or only its object path on the caller's connection.
    const QString service =
        serviceOrPath.startsWith(QLatin1Char('/')) ? message().service() : serviceOrPath;
    items_.append(service);
    emit StatusNotifierItemRegistered(service);
}

std::string DesktopSession::missingProgram(const char* program, const char* package) {
    if (!QStandardPaths::findExecutable(QString::fromLatin1(program)).isEmpty()) {
        return {};
    }
    return std::string(program) + " is not installed (Debian package " + package + ")";
}

void DesktopSession::SetUp() {
    ensureTestApplication();
    if (const std::string missing = missingProgram("dbus-daemon", "dbus"); !missing.empty()) {
        GTEST_SKIP() << missing;
    }
    ASSERT_TRUE(temp_.isValid());
    // Qt, the bus and weston want a private runtime folder, as a login session has.
    runtimeDir_ = temp_.filePath(QStringLiteral("runtime"));
    ASSERT_EQ(mkdir(QFile::encodeName(runtimeDir_).constData(), 0700), 0);

    prefix_ = temp_.filePath(QStringLiteral("prefix"));
    socketPath_ = temp_.filePath(QStringLiteral("helper.sock"));
    QProcess makePrefix;
    makePrefix.start(QStringLiteral(TARVEX_MAKE_PREFIX), {prefix_});
    ASSERT_TRUE(makePrefix.waitForFinished(30000));
    ASSERT_EQ(makePrefix.exitCode(), 0) << makePrefix.readAllStandardError().toStdString();
    ASSERT_TRUE(
        helper_.start({"--prefix", prefix_.toStdString(), "--socket", socketPath_.toStdString()},
                      HelperLauncher::Socket::bound, socketPath_.toStdString()))
        << helper_.errors();

    busAddress_ = startBus();
    ASSERT_FALSE(busAddress_.isEmpty()) << "the private session bus did not start";
    bus_ = std::make_unique<QDBusConnection>(QDBusConnection::connectToBus(busAddress_, BUS_NAME));
    ASSERT_TRUE(bus_->isConnected()) << bus_->lastError().message().toStdString();
    if (trayAtStart_) {
        startTray();
    }
}

void DesktopSession::startTray() {
    ASSERT_TRUE(bus_->registerObject(QStringLiteral("/StatusNotifierWatcher"), &watcher_,
                                     QDBusConnection::ExportAllContents));
    ASSERT_TRUE(bus_->registerService(WATCHER_SERVICE));
}

void DesktopSession::TearDown() {
    // Ended as a logout ends it: it must end cleanly, and the sanitizer builds check at its exit
    // what it leaves behind.
    if (monitor_.state() != QProcess::NotRunning) {
        EXPECT_EQ(terminateMonitor(), 0) << monitorLog();
        monitor_.kill();
        monitor_.waitForFinished(10000);
    }
    if (accessibilityBus_) {
        accessibilityBus_.reset();
        QDBusConnection::disconnectFromBus(BUS_NAME + QStringLiteral("-a11y"));
    }
    if (bus_) {
        bus_->unregisterObject(QStringLiteral("/StatusNotifierWatcher"));
        bus_.reset();
        QDBusConnection::disconnectFromBus(BUS_NAME);
    }
    for (auto server = servers_.rbegin(); server != servers_.rend(); ++server) {
        (*server)->terminate();
        if (!(*server)->waitForFinished(10000)) {
            (*server)->kill();
            (*server)->waitForFinished(10000);
        }
    }
    if (helper_.pid() > 0) {
        helper_.finish(SIGTERM);
    }
}

QString DesktopSession::startBus() {
    auto& bus = *servers_.emplace_back(std::make_unique<QProcess>());
    // What the bus starts (the accessibility bus among them) keeps to the session's own folder.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeDir_);
    bus.setProcessEnvironment(environment);
    bus.start(QStringLiteral("dbus-daemon"),
              {QStringLiteral("--session"), QStringLiteral("--nofork"),
               QStringLiteral("--nopidfile"), QStringLiteral("--print-address=1"),
               QStringLiteral("--address=unix:path=") + temp_.filePath(QStringLiteral("bus"))});
    return firstLine(bus);
}

QString DesktopSession::startXvfb() {
    auto& xvfb = *servers_.emplace_back(std::make_unique<QProcess>());
    // -displayfd picks a free display and prints its number once it accepts clients.
    xvfb.start(QStringLiteral("Xvfb"),
               {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                QStringLiteral("0"), QStringLiteral("1024x768x24"), QStringLiteral("-nolisten"),
                QStringLiteral("tcp")});
    const QString number = firstLine(xvfb);
    return number.isEmpty() ? QString() : QLatin1Char(':') + number;
}

QString DesktopSession::startWeston() {
    const QString name = QStringLiteral("wayland-tarvex");
    auto& weston = *servers_.emplace_back(std::make_unique<QProcess>());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeDir_);
    weston.setProcessEnvironment(environment);
    weston.setStandardOutputFile(temp_.filePath(QStringLiteral("weston.log")));
    weston.setProcessChannelMode(QProcess::MergedChannels);
    weston.start(
        QStringLiteral("weston"),
        {QStringLiteral("--backend=headless-backend.so"), QStringLiteral("--socket=") + name,
         QStringLiteral("--idle-time=0"), QStringLiteral("--no-config")});
    const QString socket = runtimeDir_ + QLatin1Char('/') + name;
    const bool up = waitUntil(
        [&] { return QFileInfo::exists(socket) || weston.state() == QProcess::NotRunning; });
    return up && weston.state() == QProcess::Running ? name : QString();
}

void DesktopSession::startMonitor(const QStringList& environment, const QStringList& options) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    // Only what the test names: no desktop of the machine the test runs on.
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM",
                             "QT_QPA_PLATFORMTHEME", "XDG_CURRENT_DESKTOP", "DESKTOP_SESSION"}) {
        env.remove(QString::fromLatin1(name));
    }
    env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), busAddress_);
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeDir_);
    for (const QString& assignment : environment) {
        const qsizetype equals = assignment.indexOf(QLatin1Char('='));
        env.insert(assignment.left(equals), assignment.mid(equals + 1));
    }
    monitor_.setProcessEnvironment(env);
    monitor_.setProcessChannelMode(QProcess::MergedChannels);
    monitor_.setStandardOutputFile(temp_.filePath(QStringLiteral("monitor.log")));
    monitor_.start(
        QStringLiteral(TARVEX_MONITOR_BINARY),
        QStringList{QStringLiteral("--prefix"), prefix_, QStringLiteral("--socket"), socketPath_} +
            options);
    ASSERT_TRUE(monitor_.waitForStarted(10000));
}

int DesktopSession::terminateMonitor() {
    monitor_.terminate();
    if (!monitor_.waitForFinished(15000) || monitor_.exitStatus() != QProcess::NormalExit) {
        return -1;
    }
    return monitor_.exitCode();
}

std::string DesktopSession::monitorLog() const {
    QFile log(temp_.filePath(QStringLiteral("monitor.log")));
    return log.open(QIODevice::ReadOnly) ? log.readAll().toStdString() : std::string();
}

void DesktopSession::runTool(const QString& command) {
    QProcess tool;
    tool.start(prefix_ + QStringLiteral("/opt/tarvex/bin/tarvexctl"), {command});
    ASSERT_TRUE(tool.waitForFinished(30000));
    ASSERT_EQ(tool.exitCode(), 0) << tool.readAll().toStdString();
}

void DesktopSession::setPace(int factor) {
    QFile pace(prefix_ + QStringLiteral("/opt/tarvex/var/tarvex/sim/pace"));
    ASSERT_TRUE(pace.open(QIODevice::WriteOnly | QIODevice::Truncate));
    pace.write(QByteArray::number(factor) + '\n');
}

void DesktopSession::setFaults(const QString& lines) {
    QFile faults(prefix_ + QStringLiteral("/opt/tarvex/var/tarvex/sim/faults"));
    ASSERT_TRUE(faults.open(QIODevice::WriteOnly | QIODevice::Truncate));
    faults.write(lines.toUtf8() + '\n');
}

QString DesktopSession::itemService() const {
    return watcher_.registeredItems().value(0);
}

QVariant DesktopSession::itemProperty(const QString& name) {
    QDBusMessage get = QDBusMessage::createMethodCall(
        itemService(), ITEM_PATH, QStringLiteral("org.freedesktop.DBus.Properties"),
        QStringLiteral("Get"));
    get << ITEM_INTERFACE << name;
    const QDBusMessage reply = bus_->call(get, QDBus::Block, CALL_TIMEOUT_MS);
    if (reply.type() != QDBusMessage::ReplyMessage) {
        lastError_ = "reading " + name.toStdString() + ": " + reply.errorMessage().toStdString();
        return {};
    }
    return reply.arguments().value(0).value<QDBusVariant>().variant();
}

QString DesktopSession::itemToolTip() {
    // (icon name, pictures, title, text)
    const QDBusArgument tip = itemProperty(QStringLiteral("ToolTip")).value<QDBusArgument>();
    QString iconName;
    QString title;
    QString text;
    tip.beginStructure();
    tip >> iconName;
    tip.beginArray();
    while (!tip.atEnd()) {
        int width = 0;
        int height = 0;
        QByteArray data;
        tip.beginStructure();
        tip >> width >> height >> data;
        tip.endStructure();
    }
    tip.endArray();
    tip >> title >> text;
    tip.endStructure();
    return text.isEmpty() ? title : title + QLatin1Char('\n') + text;
}

QImage DesktopSession::itemIcon() {
    const QDBusArgument pixmaps = itemProperty(QStringLiteral("IconPixmap")).value<QDBusArgument>();
    int width = 0;
    int height = 0;
    QByteArray data;
    pixmaps.beginArray();
    if (!pixmaps.atEnd()) {
        pixmaps.beginStructure();
        pixmaps >> width >> height >> data;
        pixmaps.endStructure();
    }
    // Each begin must be ended: reading swaps in a nested reader that only its end frees.
    pixmaps.endArray();
    if (width <= 0 || height <= 0 || data.size() != qsizetype(width) * height * 4) {
        return {};
    }
    // ARGB, one 32-bit big-endian word per pixel.
    QImage image(width, height, QImage::Format_ARGB32);
    const auto* words = reinterpret_cast<const uchar*>(data.constData());
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            image.setPixel(x, y, qFromBigEndian<quint32>(words + 4 * (y * width + x)));
        }
    }
    return image;
}

QImage DesktopSession::stateIcon(ServiceState state) {
    return renderStatusIcon(state, 1.0).toImage().convertToFormat(QImage::Format_ARGB32);
}

std::vector<MenuEntry> DesktopSession::itemMenu() {
    const QString path = itemProperty(QStringLiteral("Menu")).value<QDBusObjectPath>().path();
    QDBusMessage getLayout = QDBusMessage::createMethodCall(
        itemService(), path, QStringLiteral("com.canonical.dbusmenu"), QStringLiteral("GetLayout"));
    getLayout << 0 << -1 << QStringList();
    const QDBusMessage reply = bus_->call(getLayout, QDBus::Block, CALL_TIMEOUT_MS);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() != 2) {
        lastError_ = "no menu at " + path.toStdString() + ": " + reply.errorMessage().toStdString();
        return {};
    }
    MenuEntry root;
    reply.arguments().at(1).value<QDBusArgument>() >> root;
    return root.children;
}

void DesktopSession::activateItem() {
    QDBusMessage activate = QDBusMessage::createMethodCall(itemService(), ITEM_PATH, ITEM_INTERFACE,
                                                           QStringLiteral("Activate"));
    activate << 0 << 0;
    const QDBusMessage reply = bus_->call(activate, QDBus::Block, CALL_TIMEOUT_MS);
    EXPECT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
}

void DesktopSession::clickMenuItem(const QString& label) {
    const std::vector<MenuEntry> menu = itemMenu();
    const auto entry = std::find_if(menu.begin(), menu.end(),
                                    [&](const MenuEntry& e) { return e.label() == label; });
    ASSERT_NE(entry, menu.end()) << label.toStdString() << " " << lastError_;
    QDBusMessage click = QDBusMessage::createMethodCall(
        itemService(), itemProperty(QStringLiteral("Menu")).value<QDBusObjectPath>().path(),
        QStringLiteral("com.canonical.dbusmenu"), QStringLiteral("Event"));
    click << entry->id << QStringLiteral("clicked") << QVariant::fromValue(QDBusVariant(0)) << 0u;
    EXPECT_EQ(bus_->call(click, QDBus::Block, CALL_TIMEOUT_MS).type(), QDBusMessage::ReplyMessage);
}

QVariant DesktopSession::accessibleCall(const Accessible& node, const char* interface,
                                        const char* method, const QVariantList& arguments) {
    QDBusMessage message = QDBusMessage::createMethodCall(
        node.service, node.path, QLatin1String(interface), QLatin1String(method));
    message.setArguments(arguments);
    return accessibilityBus_->call(message, QDBus::Block, CALL_TIMEOUT_MS).arguments().value(0);
}

std::optional<DesktopSession::Accessible> DesktopSession::findAccessible(
    const QString& role, const std::function<bool(const QString&)>& matches) {
    if (!accessibilityBus_) {
        const QDBusMessage address =
            bus_->call(QDBusMessage::createMethodCall(
                           QStringLiteral("org.a11y.Bus"), QStringLiteral("/org/a11y/bus"),
                           QStringLiteral("org.a11y.Bus"), QStringLiteral("GetAddress")),
                       QDBus::Block, CALL_TIMEOUT_MS);
        accessibilityBus_ = std::make_unique<QDBusConnection>(QDBusConnection::connectToBus(
            address.arguments().value(0).toString(), BUS_NAME + QStringLiteral("-a11y")));
    }
    const char* accessible = "org.a11y.atspi.Accessible";
    auto nameOf = [&](const Accessible& node) {
        return accessibleCall(node, "org.freedesktop.DBus.Properties", "Get",
                              {QLatin1String(accessible), QStringLiteral("Name")})
            .value<QDBusVariant>()
            .variant()
            .toString();
    };
    // Depth first through every window of the application that is the monitor.
    for (const QString& service :
         accessibilityBus_->interface()->registeredServiceNames().value()) {
        std::vector<Accessible> nodes = {
            {service, QStringLiteral("/org/a11y/atspi/accessible/root"), {}}};
        if (!service.startsWith(u':') || nameOf(nodes.front()) != QLatin1String("tarvex Monitor")) {
            continue;
        }
        while (!nodes.empty()) {
            Accessible node = nodes.back();
            nodes.pop_back();
            node.name = nameOf(node);
            if (accessibleCall(node, accessible, "GetRoleName").toString() == role &&
                matches(node.name)) {
                return node;
            }
            const auto children =
                accessibleCall(node, accessible, "GetChildren").value<QDBusArgument>();
            children.beginArray();
            while (!children.atEnd()) {
                Accessible child;
                QDBusObjectPath path;
                children.beginStructure();
                children >> child.service >> path;
                children.endStructure();
                child.path = path.path();
                nodes.push_back(child);
            }
            children.endArray();
        }
    }
    return std::nullopt;
}

bool DesktopSession::pressAccessible(const QString& role, const QString& name) {
    const auto node = findAccessible(role, [&](const QString& n) { return n == name; });
    if (!node) {
        return false;
    }
    QList<uint> states;  // at-spi's state set: ENABLED is bit 8 of the first word
    accessibleCall(*node, "org.a11y.atspi.Accessible", "GetState").value<QDBusArgument>() >> states;
    return !states.isEmpty() && (states.front() & (1u << 8)) != 0 &&
           accessibleCall(*node, "org.a11y.atspi.Action", "DoAction", {0}).toBool();
}

bool DesktopSession::waitUntil(const std::function<bool()>& done, int deadlineMs) {
    return QTest::qWaitFor(done, deadlineMs);
}

}  // namespace tarvex::testing
