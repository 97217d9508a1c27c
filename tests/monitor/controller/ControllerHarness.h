#pragma once

#include <gtest/gtest.h>

#include <QAction>
#include <QIcon>
#include <QMenu>
#include <QSystemTrayIcon>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "monitor/controller/TarvexMenuBarApp.h"
#include "monitor/host/Installation.h"
#include "monitor/ui/MainWindowController.h"
#include "tests/support/FakeSeams.h"
#include "tests/support/FireTimer.h"
#include "tests/support/MonitorProbes.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempFolder.h"
#include "tests/support/TestApplication.h"

namespace tarvex::testing {

// Status reports of the control tool, one per state.
inline constexpr const char* ACTIVE_REPORT =
    "Launchd: loaded\nProcess: running (pid 42)\nPort: 3311\nPort: open\n";
inline constexpr const char* STARTING_REPORT = "Launchd: loaded\nProcess: stopped\nPort: closed\n";
inline constexpr const char* STARTING_WITH_PROCESS_REPORT =
    "Launchd: loaded\nProcess: running (pid 7)\nPort: closed\n";
inline constexpr const char* STOPPING_REPORT = "Launchd: unloaded\nProcess: running (pid 42)\n";
inline constexpr const char* STOPPED_REPORT =
    "Launchd: unloaded\nProcess: stopped\nPort: 3311\nPort: closed\n";
// Another running service, in the tool's other spelling.
inline const char* const kActiveReport =
    "Port: 4406\nPort status: open\nProcess: running (pid 321)\nlaunchd: loaded\n";

// A fake runner that also lets the test look around at the moment a request is sent.
class ObservingRunner : public FakeRunner {
public:
    void runPrivileged(const QString& command, HelperAnswerHandler completion) override {
        if (onRun) {
            onRun(command.toStdString());
        }
        FakeRunner::runPrivileged(command, std::move(completion));
    }
    std::function<void(const std::string&)> onRun;
};

// A controller wired to fakes, with the whole installation moved under a throw-away folder.
class ControllerTest : public ::testing::Test, protected FakeDesktop {
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

    MonitorSeams seams() { return seamsWith(runner); }

    // Builds the controller; the bundle path decides whether it counts as the installed copy.
    void construct() { app = std::make_unique<TarvexMenuBarApp>(seams()); }

    // Constructs and launches the controller; the first status request is then pending.
    TarvexMenuBarApp& launch() {
        construct();
        app->applicationDidFinishLaunching();
        return *app;
    }
    // The same, with the first status request answered with `report`.
    void launchAnswered(const char* report = kActiveReport) {
        launch();
        answerStatus(true, report);
    }

    // Answers the pending status request.
    void answerStatus(bool success, const std::string& output = kActiveReport) {
        ASSERT_FALSE(runner.requests.empty());
        ASSERT_EQ(runner.requests.front().command, "status");
        runner.answerNext(success, output);
    }

    // Lets the poll timer fire and answers the request it sends.
    void pollAndAnswer(const std::string& output) {
        fire(statusTimer(*app));
        answerStatus(true, output);
    }
    void pollAndAnswerFailure(HelperFault fault) {
        fire(statusTimer(*app));
        ASSERT_TRUE(runner.answerNext(false, "Cannot connect to helper service", fault));
    }

    std::string menuText(QAction* item) const { return item->text().toStdString(); }
    QString statusLine() const { return statusMenuItem(*app)->text(); }
    qint64 iconKey() const { return app->statusItem()->icon().cacheKey(); }

    TempFolder temp;
    ObservingRunner runner;
    std::unique_ptr<TarvexMenuBarApp> app;
};

}  // namespace tarvex::testing
