#include <sys/stat.h>

#include <filesystem>

#include "monitor/desktop/ShellQuote.h"
#include "monitor/desktop/TerminalScript.h"
#include "monitor/host/CommandRunner.h"
#include "tests/monitor/controller/ControllerHarness.h"
#include "tests/support/MonitorProbes.h"

namespace tarvex::testing {
namespace {

namespace fs = std::filesystem;

class LogActionsTest : public ControllerTest {
protected:
    void SetUp() override {
        ControllerTest::SetUp();
        fs::create_directories(runtimeDir);
        chmod(runtimeDir.c_str(), 0700);
        construct();
    }

    TerminalScriptLauncher* launcher() { return app->findChild<TerminalScriptLauncher*>(); }

    std::string logDir() const { return DEFAULT_BASE_DIR + "/log"; }

    const std::string runtimeDir = temp / "run-user";
    ScopedEnv runtimeEnv{"XDG_RUNTIME_DIR", runtimeDir};
};

TEST_F(LogActionsTest, ViewLogsRunsTheToolsLogsInATerminalThroughAPrivateScript) {
    commands(*app).viewLogs();
    ASSERT_EQ(terminal.opened.size(), 1u);
    const std::string script = terminal.opened[0];
    EXPECT_EQ(fs::path(script).parent_path(), fs::path(runtimeDir));
    EXPECT_EQ(modeOf(script), 0755u);
    EXPECT_EQ(readFile(script).rfind("#!/bin/bash\n" + shellQuote(TARVEXCTL) + " logs; ", 0), 0u);
    // As the terminal runs it: the tool's output, then the closing line on a line of its own.
    const std::string shown = runCommand({"/bin/bash", script}).output;
    EXPECT_TRUE(shown.ends_with("\nPress any key to close ")) << shown;

    ASSERT_NE(launcher(), nullptr);
    const auto removals = launcher()->pendingRemovals();
    ASSERT_EQ(removals.size(), 1);
    EXPECT_EQ(removals[0]->interval(), 3000);
    fire(removals[0]);
    EXPECT_FALSE(fs::exists(script));
}

TEST_F(LogActionsTest, RunDoctorRunsTheDiagnosisAndKeepsAnEarlierScriptUntilItsOwnTimer) {
    commands(*app).viewLogs();
    commands(*app).runDoctor();
    ASSERT_EQ(terminal.opened.size(), 2u);
    EXPECT_NE(readFile(terminal.opened[1]).find(shellQuote(TARVEXCTL) + " doctor; "),
              std::string::npos);

    const auto removals = launcher()->pendingRemovals();
    ASSERT_EQ(removals.size(), 2);
    fire(removals[0]);
    EXPECT_FALSE(fs::exists(terminal.opened[0]));
    EXPECT_TRUE(fs::exists(terminal.opened[1]));
}

TEST_F(LogActionsTest, TheActionsWorkWhileAnOperationRuns) {
    app->model().setOperationInProgress(true);
    commands(*app).runDoctor();
    EXPECT_EQ(terminal.opened.size(), 1u);
}

TEST_F(LogActionsTest, SaveLogsCopiesTheLogFolderAndShowsIt) {
    writeFile(logDir() + "/tarvex.log", "service\n");
    writeFile(logDir() + "/launchd.err.log", "errors\n");
    const std::string destination = temp / "Desktop/tarvex-logs";
    fs::create_directories(temp / "Desktop");
    saveDialog.answer = destination;

    commands(*app).saveLogs();
    EXPECT_EQ(saveDialog.titles, std::vector<std::string>{"Save tarvex Logs"});
    EXPECT_EQ(saveDialog.proposedNames, std::vector<std::string>{"tarvex-logs"});
    EXPECT_GE(appHost.activations, 1);
    EXPECT_EQ(readFile(destination + "/tarvex.log"), "service\n");
    EXPECT_EQ(readFile(destination + "/launchd.err.log"), "errors\n");
    EXPECT_EQ(fileViewer.shown, std::vector<std::string>{destination});
    EXPECT_TRUE(alerts.shown.empty());
}

TEST_F(LogActionsTest, WithoutATerminalTheAlertNamesWhatWasTriedAndTheCommand) {
    terminal.failure = "No terminal program was found. Tried: xterm.";
    commands(*app).viewLogs();
    ASSERT_EQ(alerts.shown.size(), 1u);
    const AlertSpec& alert = alerts.shown[0];
    EXPECT_EQ(alert.style, AlertStyle::warning);
    EXPECT_TRUE(alert.informativeText.contains(QString::fromStdString(terminal.failure)));
    EXPECT_TRUE(alert.informativeText.contains(
        QString::fromStdString("\n" + shellQuote(TARVEXCTL) + " logs")))
        << alert.informativeText.toStdString();

    terminal.failure.clear();
    commands(*app).runDoctor();
    EXPECT_EQ(alerts.shown.size(), 1u) << "a terminal that started needs no alert";
}

TEST_F(LogActionsTest, SavedLogsThatNoFileManagerShowsAreToldWithTheirPath) {
    writeFile(logDir() + "/tarvex.log", "service\n");
    const std::string destination = temp / "tarvex-logs";
    saveDialog.answer = destination;
    fileViewer.opens = false;
    commands(*app).saveLogs();
    ASSERT_EQ(alerts.shown.size(), 1u);
    EXPECT_TRUE(
        alerts.shown[0].informativeText.contains(QString::fromStdString("\n" + destination)));
    EXPECT_EQ(readFile(destination + "/tarvex.log"), "service\n");
}

TEST_F(LogActionsTest, ACancelledDialogDoesNothing) {
    writeFile(logDir() + "/tarvex.log", "service\n");
    saveDialog.answer = std::nullopt;
    commands(*app).saveLogs();
    EXPECT_EQ(saveDialog.titles.size(), 1u);
    EXPECT_TRUE(alerts.shown.empty());
    EXPECT_TRUE(fileViewer.shown.empty());
}

TEST_F(LogActionsTest, AMissingLogFolderShowsTheFailureAlert) {
    saveDialog.answer = temp / "out";
    commands(*app).saveLogs();
    ASSERT_EQ(alerts.shown.size(), 1u);
    EXPECT_EQ(alerts.shown[0].message, "Failed to save logs");
    EXPECT_EQ(alerts.shown[0].style, AlertStyle::warning);
    EXPECT_FALSE(alerts.shown[0].informativeText.isEmpty());
    EXPECT_TRUE(alerts.shown[0].buttons.empty());
    EXPECT_TRUE(fileViewer.shown.empty());
    EXPECT_FALSE(fs::exists(temp / "out"));
}

TEST_F(LogActionsTest, ACopyFailingHalfWayKeepsTheEarlierSaveAndAlerts) {
    writeFile(logDir() + "/tarvex.log", "new\n");
    ASSERT_EQ(mkfifo((logDir() + "/zz-fifo").c_str(), 0600), 0);
    writeFile(temp / "out/tarvex-logs/old.log", "old\n");
    saveDialog.answer = temp / "out/tarvex-logs";
    commands(*app).saveLogs();
    ASSERT_EQ(alerts.shown.size(), 1u);
    EXPECT_EQ(alerts.shown[0].message, "Failed to save logs");
    EXPECT_EQ(readFile(temp / "out/tarvex-logs/old.log"), "old\n");
    EXPECT_FALSE(fs::exists(temp / "out/tarvex-logs/tarvex.log"));
    EXPECT_EQ(std::distance(fs::directory_iterator(temp / "out"), fs::directory_iterator()), 1);
    EXPECT_TRUE(fileViewer.shown.empty());
}

}  // namespace
}  // namespace tarvex::testing
