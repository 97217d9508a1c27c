#pragma once

// The real tarvex-monitor program on a desktop of the test's own: a private session bus with a
// StatusNotifierWatcher and host (what the GNOME and KDE panels provide), a simulated
// installation with its helper, and a display server started by the test.

#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusContext>
#include <QImage>
#include <QObject>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariantMap>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "monitor/status/TarvexStatus.h"
#include "tests/helper/HelperLauncher.h"

namespace tarvex::testing {

// The panel's side of the StatusNotifierItem protocol: it tells applications that a host
// shows their items, and records each item that registers.
class StatusNotifierWatcher : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ hostRegistered)
    Q_PROPERTY(int ProtocolVersion READ protocolVersion)
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ registeredItems)

public:
    bool hostRegistered() const { return true; }
    int protocolVersion() const { return 0; }
    QStringList registeredItems() const { return items_; }

public slots:
    void RegisterStatusNotifierItem(const QString& serviceOrPath);
    void RegisterStatusNotifierHost(const QString&) {}

signals:
    void StatusNotifierItemRegistered(const QString& service);

private:
    QStringList items_;  // the bus names of the registered items
};

// One entry of a menu exported over com.canonical.dbusmenu.
struct MenuEntry {
    int id = 0;
    QVariantMap properties;
    std::vector<MenuEntry> children;

    QString label() const { return properties.value(QStringLiteral("label")).toString(); }
    bool separator() const {
        return properties.value(QStringLiteral("type")).toString() == QLatin1String("separator");
    }
    bool enabled() const { return properties.value(QStringLiteral("enabled"), true).toBool(); }
};

class DesktopSession : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // An empty string when `program` is on the PATH, else why the test cannot run.
    static std::string missingProgram(const char* program, const char* package);

    // --- The display (the subclass starts one and names it in the monitor's environment) ---
    // Starts Xvfb; answers the DISPLAY value, or "" when it did not come up.
    QString startXvfb();
    // Starts a headless weston; answers the WAYLAND_DISPLAY value, or "" when it did not come up.
    QString startWeston();

    // --- The panel: a watcher with a host, there from the start unless `trayAtStart_` is off ---
    void startTray();

    // --- The monitor ---
    // Starts it with `environment` added to the session's bus and runtime folder.
    void startMonitor(const QStringList& environment, const QStringList& options = {});
    // Ends it with SIGTERM; answers its exit code, or -1 when it crashed or hung.
    int terminateMonitor();
    std::string monitorLog() const;

    // --- The simulated service ---
    void runTool(const QString& command);
    // How many times slower than normal the simulated service moves from state to state.
    void setPace(int factor);
    // One fault of the simulated tool per line ("fail enable-boot").
    void setFaults(const QString& lines);

    // --- The status item, seen from the panel ---
    // Reads answer nothing when the call fails; lastError() then says why.
    QString itemService() const;  // "" until the monitor's item has registered
    QVariant itemProperty(const QString& name);
    QImage itemIcon();      // the item's first picture, as sent
    QString itemToolTip();  // the tooltip's title and, below it, its text
    std::vector<MenuEntry> itemMenu();
    const std::string& lastError() const { return lastError_; }
    void activateItem();
    // The picture the monitor shows for `state`.
    static QImage stateIcon(ServiceState state);

    void clickMenuItem(const QString& label);

    // --- What a screen reader reads, over the session's accessibility bus (at-spi) ---
    struct Accessible {
        QString service;
        QString path;
        QString name;
    };
    // The monitor's first accessible of `role` whose name `matches`, in any of its windows.
    std::optional<Accessible> findAccessible(const QString& role,
                                             const std::function<bool(const QString&)>& matches);
    // Performs the first action (press, toggle) of that accessible if it is enabled.
    bool pressAccessible(const QString& role, const QString& name);

    // Runs the event loop (the watcher answers from it) until `done` holds or time runs out.
    bool waitUntil(const std::function<bool()>& done, int deadlineMs = 20000);

    QTemporaryDir temp_;
    QString runtimeDir_;
    bool trayAtStart_ = true;

private:
    QString startBus();
    QVariant accessibleCall(const Accessible& node, const char* interface, const char* method,
                            const QVariantList& arguments = {});

    QString prefix_;
    QString socketPath_;
    HelperLauncher helper_;
    std::vector<std::unique_ptr<QProcess>> servers_;  // bus and display, stopped in reverse
    std::unique_ptr<QDBusConnection> bus_;
    std::unique_ptr<QDBusConnection> accessibilityBus_;  // once asked for
    StatusNotifierWatcher watcher_;
    QString busAddress_;
    QProcess monitor_;
    std::string lastError_;
};

}  // namespace tarvex::testing
