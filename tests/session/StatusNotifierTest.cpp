// The monitor's tray item as a GNOME or KDE panel sees it: registered over D-Bus, its picture
// following the service, its menu exported with the right titles and enabling, and a click
// on it bringing the main window back. The monitor runs on X (Xvfb); Qt takes the D-Bus path
// because a StatusNotifierWatcher with a host is on the session bus.

#include <QDBusArgument>
#include <QFileInfo>

#include "tests/session/DesktopSession.h"
#include "tests/session/X11Windows.h"

namespace tarvex::testing {
namespace {

const std::string WINDOW_TITLE = "tarvex Monitor";

// One line per menu entry: "---" for a separator, else the title, its shortcut in <>, and
// "(off)" when disabled.
std::vector<std::string> describe(const std::vector<MenuEntry>& menu) {
    std::vector<std::string> lines;
    for (const MenuEntry& entry : menu) {
        if (entry.separator()) {
            lines.push_back("---");
            continue;
        }
        std::string line = entry.label().toStdString();
        const QVariant shortcut = entry.properties.value(QStringLiteral("shortcut"));
        if (shortcut.isValid()) {
            const QDBusArgument chords = shortcut.value<QDBusArgument>();
            QStringList keys;
            chords.beginArray();
            while (!chords.atEnd()) {
                QStringList chord;
                chords >> chord;
                keys << chord.join(QLatin1Char('+'));
            }
            chords.endArray();
            line += " <" + keys.join(QLatin1Char(' ')).toStdString() + ">";
        }
        lines.push_back(entry.enabled() ? line : line + " (off)");
    }
    return lines;
}

// The status menu for a status line and which of start, stop and restart may be chosen.
std::vector<std::string> expectedMenu(const std::string& statusLine, bool start, bool stop) {
    auto onOff = [](const std::string& title, bool on) { return on ? title : title + " (off)"; };
    return {statusLine + " (off)",
            "Port: 7420 (off)",
            "---",
            onOff("Start Service", start),
            onOff("Stop Service", stop),
            onOff("Restart Service", stop),
            "---",
            "View Logs...",
            "Save Logs to\u2026",
            "---",
            "Settings... <Control+,>",
            "Run Doctor",
            "---",
            "Initialize Database",
            "Uninstall...",
            "---",
            "Quit Monitor <Control+Q>"};
}

class StatusNotifierTest : public DesktopSession {
protected:
    void SetUp() override {
        DesktopSession::SetUp();
        if (IsSkipped() || HasFatalFailure()) {
            return;
        }
        if (const std::string missing = missingProgram("Xvfb", "xvfb"); !missing.empty()) {
            GTEST_SKIP() << missing;
        }
        display_ = startXvfb();
        ASSERT_FALSE(display_.isEmpty()) << "Xvfb did not start";
        // With its accessibility bridge on, as a screen reader would have it.
        startMonitor({QStringLiteral("QT_QPA_PLATFORM=xcb"), QStringLiteral("DISPLAY=") + display_,
                      QStringLiteral("QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1")});
        ASSERT_TRUE(waitUntil([this] { return !itemService().isEmpty(); }))
            << "no item registered with the watcher\n"
            << monitorLog();
    }

    // Waits until the menu reads `expected`, then compares, so that a failure shows both.
    void expectMenu(const std::vector<std::string>& expected) {
        waitUntil([&] { return describe(itemMenu()) == expected; }, 5000);
        EXPECT_EQ(describe(itemMenu()), expected) << lastError();
    }

    QString display_;
};

TEST_F(StatusNotifierTest, ItemShowsEachStatesPictureAndMenu) {
    ASSERT_NE(stateIcon(ServiceState::stopped), stateIcon(ServiceState::starting));
    ASSERT_NE(stateIcon(ServiceState::starting), stateIcon(ServiceState::active));
    EXPECT_EQ(itemProperty(QStringLiteral("Id")).toString(), QStringLiteral("tarvex Monitor"));
    EXPECT_FALSE(itemProperty(QStringLiteral("ItemIsMenu")).toBool())
        << "a left click must reach the monitor, not open the menu";

    expectMenu(expectedMenu("tarvex: Stopped", true, false));
    EXPECT_EQ(itemIcon(), stateIcon(ServiceState::stopped));
    EXPECT_EQ(itemToolTip(), QStringLiteral("tarvex: Stopped\nPort: 7420"));

    // Started from outside and held in its start-up: seen at the next ten-second poll.
    setPace(1000);
    runTool(QStringLiteral("start"));
    EXPECT_TRUE(waitUntil([this] { return itemIcon() == stateIcon(ServiceState::starting); }))
        << "the item never showed the loading picture " << lastError();
    expectMenu(expectedMenu("tarvex: Starting\u2026", false, false));

    setPace(1);
    EXPECT_TRUE(waitUntil([this] { return itemIcon() == stateIcon(ServiceState::active); }))
        << "the item never showed the active picture " << lastError();
    std::vector<std::string> menu = describe(itemMenu());
    ASSERT_FALSE(menu.empty());
    EXPECT_EQ(menu[0].rfind("tarvex: Active (PID ", 0), 0u) << menu[0];
    expectMenu(expectedMenu(menu[0].substr(0, menu[0].size() - 6), false, true));
    EXPECT_EQ(itemToolTip().toStdString(), menu[0].substr(0, menu[0].size() - 6) + "\nPort: 7420");
}

TEST_F(StatusNotifierTest, ActivatingTheItemBringsBackTheClosedMainWindow) {
    X11Windows windows(display_.toStdString());
    ASSERT_TRUE(windows.connected());
    ASSERT_TRUE(waitUntil([&] { return windows.shown(WINDOW_TITLE); }))
        << "the main window never appeared\n"
        << monitorLog();
    ASSERT_TRUE(windows.requestClose(WINDOW_TITLE));
    ASSERT_TRUE(waitUntil([&] { return !windows.shown(WINDOW_TITLE); }))
        << "the main window did not close";

    activateItem();
    EXPECT_TRUE(waitUntil([&] { return windows.shown(WINDOW_TITLE); }))
        << "activating the item did not open the main window";
}

// A screen reader hears the settings window's feedback line, and reads a failure alert's text as
// it is, its empty line empty.
TEST_F(StatusNotifierTest, AScreenReaderReadsTheSettingsFeedbackAndTheExactAlertText) {
    if (!QFileInfo::exists(QStringLiteral("/usr/libexec/at-spi-bus-launcher"))) {
        GTEST_SKIP() << "no accessibility bus (Debian package at-spi2-core)";
    }
    setFaults(QStringLiteral("fail enable-boot"));
    clickMenuItem(QStringLiteral("Settings..."));
    const QString box = QStringLiteral("Start automatically when the computer starts");
    bool pressed = false;  // once: the box is held off while the change is applied
    ASSERT_TRUE(waitUntil([&] {
        return pressed = pressed || pressAccessible(QStringLiteral("check box"), box);
    })) << lastError()
        << "\n"
        << monitorLog();
    EXPECT_TRUE(waitUntil([&] {
        return findAccessible(QStringLiteral("label"),
                              [](const QString& name) {
                                  return name == QLatin1String("Failed to change boot startup.");
                              })
            .has_value();
    })) << "the feedback line was not read out";
    std::optional<Accessible> alert;
    ASSERT_TRUE(waitUntil([&] {
        alert = findAccessible(QStringLiteral("label"), [](const QString& name) {
            return name.startsWith(QLatin1String("Check logs for details:"));
        });
        return alert.has_value();
    })) << "no alert";
    const QStringList lines = alert->name.split(u'\n');
    ASSERT_EQ(lines.size(), 5) << alert->name.toStdString();
    EXPECT_EQ(lines[1], QString()) << "the empty line reads as " << lines[1].toStdString();
    for (const QString& path : lines.mid(2)) {
        EXPECT_TRUE(path.startsWith(u'/') && path.endsWith(QLatin1String(".log")))
            << path.toStdString();
    }
}

// At login the monitor may start before the panel: its window stands in for the icon until the
// panel is there, then the icon is used and the background start shows no window.
class LateTrayTest : public DesktopSession {
protected:
    LateTrayTest() { trayAtStart_ = false; }
};

TEST_F(LateTrayTest, APanelThatStartsLaterGetsTheIconAndTheBackgroundWindowGoes) {
    if (const std::string missing = missingProgram("Xvfb", "xvfb"); !missing.empty()) {
        GTEST_SKIP() << missing;
    }
    const QString display = startXvfb();
    ASSERT_FALSE(display.isEmpty()) << "Xvfb did not start";
    X11Windows windows(display.toStdString());
    startMonitor({QStringLiteral("QT_QPA_PLATFORM=xcb"), QStringLiteral("DISPLAY=") + display},
                 {QStringLiteral("--background")});
    ASSERT_TRUE(waitUntil([&] { return windows.shown(WINDOW_TITLE); }))
        << "without a tray the window must stand in for it\n"
        << monitorLog();

    startTray();
    ASSERT_TRUE(waitUntil([this] { return !itemService().isEmpty(); }))
        << "the tray that appeared was not used\n"
        << monitorLog();
    EXPECT_TRUE(waitUntil([this] { return itemIcon() == stateIcon(ServiceState::stopped); }))
        << lastError();
    EXPECT_TRUE(waitUntil([&] { return !windows.shown(WINDOW_TITLE); }))
        << "the background start kept its window once the icon was there";
}

}  // namespace
}  // namespace tarvex::testing
