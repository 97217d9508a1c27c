#pragma once

// A controller wired to fakes, with the whole installation moved under a throw-away folder.

#include <QAction>
#include <QIcon>
#include <QSystemTrayIcon>

#include <filesystem>
#include <memory>

#include "monitor/controller/TarvexMenuBarApp.h"
#include "monitor/host/Installation.h"
#include "tests/support/FakeSeams.h"
#include "tests/support/FireTimer.h"
#include "tests/support/MonitorProbes.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempFolder.h"
#include "tests/support/TestApplication.h"

namespace tarvex::testing {

// A status report of a running service, as the control tool prints it.
inline const char* const kActiveReport =
    "Port: 4406\nPort status: open\nProcess: running (pid 321)\nlaunchd: loaded\n";

class ControllerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ensureTestApplication();
        relocateInstallation(temp.path());
        std::filesystem::create_directories(TARVEX_ROOT);  // installed, though without a tool
    }
    void TearDown() override {
        app.reset();
        relocateInstallation("");
    }

    // Builds the controller; the bundle path decides whether it counts as the installed copy.
    void construct() { app = std::make_unique<TarvexMenuBarApp>(world.seams()); }

    // Constructs, finishes launching and answers the first status request with `report`.
    void launch(const char* report = kActiveReport) {
        construct();
        app->applicationDidFinishLaunching();
        answerStatus(true, report);
    }

    // Answers the oldest request, which must be a status request.
    void answerStatus(bool success, const std::string& report = kActiveReport) {
        ASSERT_FALSE(world.runner.requests.empty());
        ASSERT_EQ(world.runner.requests.front().command, "status");
        world.runner.answerNext(success, report);
    }

    QString statusLine() const { return statusMenuItem(*app)->text(); }
    qint64 iconKey() const { return app->statusItem()->icon().cacheKey(); }

    // Enabled flags of start, stop, restart, settings and initialize, in that order.
    std::vector<bool> itemsEnabled() const {
        return {app->action(Command::start)->isEnabled(), app->action(Command::stop)->isEnabled(),
                app->action(Command::restart)->isEnabled(),
                app->action(Command::settings)->isEnabled(),
                app->action(Command::initialize)->isEnabled()};
    }

    TempFolder temp;
    FakeWorld world;
    std::unique_ptr<TarvexMenuBarApp> app;
};

}  // namespace tarvex::testing
