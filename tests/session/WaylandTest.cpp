// The monitor as a Wayland client of a headless weston: its window appears under the
// application's own name, it follows the service, and it ends cleanly on SIGTERM. What it says
// to the compositor is read from the client's protocol log (WAYLAND_DEBUG).

#include <QFileInfo>
#include <QLibraryInfo>
#include <QRegularExpression>

#include <map>
#include <optional>

#include "tests/session/DesktopSession.h"

namespace tarvex::testing {
namespace {

// What the client asked of its top-level windows, from its protocol log.
struct Toplevel {
    std::string surface;  // the wl_surface object
    std::string title;
    std::string appId;
};

std::map<std::string, Toplevel> toplevels(const QString& log) {
    std::map<std::string, std::string> surfaceOfXdgSurface;
    std::map<std::string, Toplevel> found;
    static const QRegularExpression request(QStringLiteral(
        R"(-> (xdg_\w+@\d+)\.(get_xdg_surface|get_toplevel|set_title|set_app_id)\((.*)\))"));
    static const QRegularExpression object(QStringLiteral(R"((\w+@\d+))"));
    for (auto match = request.globalMatch(log); match.hasNext();) {
        const auto line = match.next();
        const std::string target = line.captured(1).toStdString();
        const QString verb = line.captured(2);
        const QString arguments = line.captured(3);
        std::vector<std::string> objects;
        for (auto o = object.globalMatch(arguments); o.hasNext();) {
            objects.push_back(o.next().captured(1).toStdString());
        }
        const std::string text = arguments.section(QLatin1Char('"'), 1, 1).toStdString();
        if (verb == QLatin1String("get_xdg_surface") && objects.size() == 2) {
            surfaceOfXdgSurface[objects[0]] = objects[1];
        } else if (verb == QLatin1String("get_toplevel") && objects.size() == 1) {
            found[objects[0]].surface = surfaceOfXdgSurface[target];
        } else if (verb == QLatin1String("set_title")) {
            found[target].title = text;
        } else if (verb == QLatin1String("set_app_id")) {
            found[target].appId = text;
        }
    }
    return found;
}

class WaylandTest : public DesktopSession {
protected:
    void SetUp() override {
        DesktopSession::SetUp();
        if (IsSkipped() || HasFatalFailure()) {
            return;
        }
        if (const std::string missing = missingProgram("weston", "weston"); !missing.empty()) {
            GTEST_SKIP() << missing;
        }
        const QString plugin = QLibraryInfo::path(QLibraryInfo::PluginsPath) +
                               QStringLiteral("/platforms/libqwayland-generic.so");
        if (!QFileInfo::exists(plugin)) {
            GTEST_SKIP() << "Qt's Wayland platform is not installed (Debian package qt6-wayland)";
        }
        waylandDisplay_ = startWeston();
        ASSERT_FALSE(waylandDisplay_.isEmpty()) << "weston did not start";
    }

    // The top-level window titled "tarvex Monitor", once it has been given a picture.
    std::optional<Toplevel> shownMainWindow() const {
        const QString log = QString::fromStdString(monitorLog());
        for (const auto& [name, toplevel] : toplevels(log)) {
            const QString attach =
                QString::fromStdString(toplevel.surface) + QStringLiteral(".attach(wl_buffer@");
            if (toplevel.title == "tarvex Monitor" && log.contains(attach)) {
                return toplevel;
            }
        }
        return std::nullopt;
    }

    QString waylandDisplay_;
};

TEST_F(WaylandTest, ShowsItsWindowFollowsTheServiceAndEndsCleanlyOnSigterm) {
    // Held in its start-up, so that the monitor polls every second from its first answer on.
    setPace(1000);
    runTool(QStringLiteral("start"));
    startMonitor({QStringLiteral("QT_QPA_PLATFORM=wayland"),
                  QStringLiteral("WAYLAND_DISPLAY=") + waylandDisplay_,
                  QStringLiteral("WAYLAND_DEBUG=1")});

    ASSERT_TRUE(waitUntil([this] { return shownMainWindow().has_value(); }))
        << "the main window was never shown\n"
        << monitorLog();
    EXPECT_EQ(shownMainWindow()->appId, "tarvex-monitor")
        << "the compositor cannot match the window to the desktop entry";

    ASSERT_TRUE(waitUntil([this] {
        return !itemService().isEmpty() && itemIcon() == stateIcon(ServiceState::starting);
    })) << "the first answer was never shown "
        << lastError();
    setPace(1);
    EXPECT_TRUE(waitUntil([this] { return itemIcon() == stateIcon(ServiceState::active); }))
        << "the change to active was never shown " << lastError();

    EXPECT_EQ(terminateMonitor(), 0) << monitorLog().substr(0, 4000);
}

}  // namespace
}  // namespace tarvex::testing
