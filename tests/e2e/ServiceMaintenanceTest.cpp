// Initialize, the user's uninstall and the boot setting, through the real helper and tool.

#include <QCheckBox>
#include <QDialog>

#include <filesystem>

#include "monitor/ui/SettingsWindowController.h"
#include "tests/e2e/EndToEndHarness.h"
#include "tests/support/MonitorProbes.h"

namespace tarvex::testing {
namespace {

namespace fs = std::filesystem;

class ServiceMaintenanceTest : public EndToEndTest {
protected:
    std::string dataFolder() const { return toolRoot() + "/var/tarvex/data"; }
};

TEST_F(ServiceMaintenanceTest, InitializeErasesTheDataWhilePollingGoesOn) {
    writeFile(dataFolder() + "/old-table", "rows\n");
    launch();
    alerts.answers = {1};  // "Confirm"
    commands(*app).setupService();
    // The status request and the initialization are at the helper together.
    EXPECT_EQ(runner.outstanding(), 2);
    EXPECT_EQ(runner.commands().back(), "initialize");
    ASSERT_TRUE(waitUntilIdle());

    EXPECT_FALSE(fs::exists(dataFolder() + "/old-table"));
    EXPECT_TRUE(fs::exists(dataFolder() + "/instance"));
    EXPECT_TRUE(fs::is_directory(dataFolder() + "/log"));
    ASSERT_EQ(alerts.shown.size(), 2u);
    EXPECT_EQ(alerts.shown[0].message, "Initialize Database?");
    EXPECT_EQ(alerts.shown[1].message, "Initialize Database");
    EXPECT_EQ(alerts.shown[1].informativeText, "Done.");
    EXPECT_FALSE(app->model().operationInProgress());
    EXPECT_TRUE(app->action(Command::initialize)->isEnabled());
    EXPECT_EQ(app->model().status().state(), ServiceState::stopped);
}

TEST_F(ServiceMaintenanceTest, TheUsersUninstallRemovesTheInstallationAndQuits) {
    launch();
    alerts.answers = {1};
    commands(*app).uninstallService();
    ASSERT_TRUE(waitUntil([this] { return appHost.terminations > 0; }));
    EXPECT_FALSE(fs::exists(toolRoot()));
    ASSERT_EQ(alerts.shown.size(), 2u);
    EXPECT_EQ(alerts.shown[1].message, "Uninstall");
    EXPECT_EQ(alerts.shown[1].informativeText, "Done.");
    EXPECT_EQ(authorizer.prompts.size(), 1u);
}

TEST_F(ServiceMaintenanceTest, TheBootSwitchReadsTheToolAndChangesItThroughTheHelper) {
    launch();
    app->openSettings();
    SettingsWindowController& settings = settingsWindow(*app);
    // Read by running the tool in the background: no helper answer wakes this wait.
    ASSERT_TRUE(waitUntil([&] { return settings.bootStartupSwitch()->isEnabled(); }, 20000));
    EXPECT_FALSE(settings.bootStartupSwitch()->isChecked());

    settings.bootStartupSwitch()->click();
    ASSERT_TRUE(waitUntilIdle());
    EXPECT_EQ(readFile(simFile("boot")), "enabled\n");
    EXPECT_TRUE(settings.bootStartupSwitch()->isChecked());
    EXPECT_TRUE(settings.bootStartupSwitch()->isEnabled());
    EXPECT_TRUE(alerts.shown.empty());

    // A fresh window reads the new setting back from the tool.
    settings.closeSettings();
    app->openSettings();
    ASSERT_TRUE(waitUntil([&] { return settings.bootStartupSwitch()->isEnabled(); }, 20000));
    EXPECT_TRUE(settings.bootStartupSwitch()->isChecked());
    EXPECT_EQ(runner.commands(), (std::vector<std::string>{"status", "enable-boot"}));
}

}  // namespace
}  // namespace tarvex::testing
