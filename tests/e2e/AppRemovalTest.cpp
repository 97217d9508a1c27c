// Removing the installed application uninstalls the simulated service through the real helper,
// unless the tool is busy with an operation of its own.

#include <QAction>

#include <algorithm>
#include <filesystem>

#include "monitor/host/Installation.h"
#include "tests/e2e/EndToEndHarness.h"
#include "tests/support/MonitorProbes.h"

namespace tarvex::testing {
namespace {

namespace fs = std::filesystem;

// The tool creates the lock file and then writes its pid and a line break into it.
bool lockFileComplete() {
    const std::string content = readFile(TARVEXCTL_LOCK_PID);
    return !content.empty() && content.back() == '\n';
}

class AppRemovalTest : public EndToEndTest {
protected:
    void launchInstalled() {
        bundle.path = MONITOR_APP_PATH;
        launch();
    }

    void look() { fire(appRemovalTimer(*app)); }
    bool uninstalling() const {
        const std::vector<std::string> sent = runner.commands();
        return std::find(sent.begin(), sent.end(), "uninstall") != sent.end();
    }
};

TEST_F(AppRemovalTest, RemovingTheInstalledAppUninstallsTheServiceAndQuits) {
    launchInstalled();
    ASSERT_TRUE(fs::exists(toolRoot()));
    look();
    EXPECT_FALSE(uninstalling());

    fs::remove_all(MONITOR_APP_PATH);
    look();  // a bundle being replaced is missing for a moment: the first miss waits
    EXPECT_FALSE(uninstalling());
    look();
    ASSERT_TRUE(uninstalling());
    EXPECT_EQ(statusLine(), "tarvex: Uninstalling\u2026");
    EXPECT_FALSE(appRemovalTimer(*app)->isActive());

    ASSERT_TRUE(waitUntil([this] { return appHost.terminations > 0; }));
    ASSERT_TRUE(waitUntilIdle());
    EXPECT_EQ(appHost.terminations, 1);
    EXPECT_FALSE(fs::exists(toolRoot()));
    const auto uninstalls = runner.answersTo("uninstall");
    ASSERT_EQ(uninstalls.size(), 1u);
    EXPECT_TRUE(uninstalls[0].success) << uninstalls[0].output;
    EXPECT_TRUE(alerts.shown.empty());
    EXPECT_TRUE(authorizer.prompts.empty());
}

TEST_F(AppRemovalTest, RemovingTheAppWhileTheToolHoldsItsLockOnlyQuits) {
    addFault("slow start 1");
    launchInstalled();
    commands(*app).startService();
    // The tool takes its lock before its (slow) work; the lock names the live tool process.
    ASSERT_TRUE(waitUntil([] { return lockFileComplete(); }, 20000));

    fs::remove_all(MONITOR_APP_PATH);
    look();
    look();
    EXPECT_EQ(appHost.terminations, 1);
    EXPECT_FALSE(uninstalling());
    EXPECT_EQ(runner.commands(), (std::vector<std::string>{"status", "start"}));

    ASSERT_TRUE(waitUntilIdle());
    EXPECT_TRUE(fs::exists(TARVEXCTL));
    EXPECT_TRUE(alerts.shown.empty());
}

}  // namespace
}  // namespace tarvex::testing
