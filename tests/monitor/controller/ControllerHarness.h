#pragma once

#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <QTemporaryDir>

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

class ControllerTest : public ::testing::Test, protected FakeDesktop {
protected:
    void SetUp() override {
        ensureTestApplication();
        ASSERT_TRUE(prefix.isValid());
        relocateInstallation(prefix.path().toStdString());
        std::filesystem::create_directories(TARVEX_ROOT);  // installed, though without a tool
    }
    void TearDown() override {
        app.reset();
        relocateInstallation("");
    }

    MonitorSeams seams() { return seamsWith(runner); }

    // Constructs and launches the controller; the first status request is then pending.
    TarvexMenuBarApp& launch() {
        app = std::make_unique<TarvexMenuBarApp>(seams());
        app->applicationDidFinishLaunching();
        return *app;
    }

    // Answers the pending status request.
    void answerStatus(bool success, const std::string& output) {
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

    QTemporaryDir prefix;
    ObservingRunner runner;
    std::unique_ptr<TarvexMenuBarApp> app;
};

}  // namespace tarvex::testing
