#include <unistd.h>

#include <filesystem>

#include "monitor/host/Installation.h"
#include "tests/monitor/controller/ControllerHarness.h"
#include "tests/support/MonitorProbes.h"

namespace tarvex::testing {
namespace {

namespace fs = std::filesystem;

class AppRemovalWatchTest : public ControllerTest {
protected:
    void SetUp() override {
        ControllerTest::SetUp();
        fs::create_directories(MONITOR_APP_PATH);
        writeFile(TARVEXCTL, "#!/bin/sh\n");
    }

    // Launches as the installed copy (or from elsewhere) and answers the first status request.
    void launchFrom(const std::string& bundlePath) {
        bundle.path = bundlePath;
        launchAnswered();
    }
    void launchInstalled() { launchFrom(MONITOR_APP_PATH); }

    void look() { fire(appRemovalTimer(*app)); }

    void holdLock() { writeFile(TARVEXCTL_LOCK_PID, std::to_string(getpid()) + "\n"); }

    std::string trashedBundle() const { return temp / "Users/someone/.Trash/tarvex Monitor.app"; }

    std::vector<std::string> uninstallRequests() const {
        std::vector<std::string> found;
        for (const auto& command : runner.pendingCommands()) {
            if (command == "uninstall") {
                found.push_back(command);
            }
        }
        return found;
    }

    void expectAutomaticUninstallStarted() {
        EXPECT_EQ(uninstallRequests().size(), 1u);
        EXPECT_EQ(statusLine(), QString::fromUtf8("tarvex: Uninstalling…"));
        EXPECT_FALSE(appRemovalTimer(*app)->isActive());
        EXPECT_TRUE(statusTimer(*app) == nullptr || !statusTimer(*app)->isActive());
        EXPECT_TRUE(authorizer.prompts.empty());
        EXPECT_TRUE(alerts.shown.empty());
        EXPECT_EQ(appHost.terminations, 0);
    }

    void expectNothingHappened() {
        EXPECT_TRUE(uninstallRequests().empty());
        EXPECT_EQ(appHost.terminations, 0);
        EXPECT_TRUE(appRemovalTimer(*app)->isActive());
    }

    void expectQuietQuit() {
        EXPECT_EQ(appHost.terminations, 1);
        EXPECT_TRUE(runner.requests.empty());
        EXPECT_TRUE(alerts.shown.empty());
        EXPECT_FALSE(appRemovalTimer(*app)->isActive());
        EXPECT_FALSE(statusTimer(*app)->isActive());
        EXPECT_NE(statusLine(), QString::fromUtf8("tarvex: Uninstalling…"));
    }
};

TEST_F(AppRemovalWatchTest, LooksEveryTwoSecondsOnceStarted) {
    launchInstalled();
    ASSERT_NE(appRemovalTimer(*app), nullptr);
    EXPECT_TRUE(appRemovalTimer(*app)->isActive());
    EXPECT_FALSE(appRemovalTimer(*app)->isSingleShot());
    EXPECT_EQ(appRemovalTimer(*app)->interval(), 2000);
}

TEST_F(AppRemovalWatchTest, InstalledAndPresentDoesNothing) {
    launchInstalled();
    look();
    look();
    expectNothingHappened();
}

TEST_F(AppRemovalWatchTest, InstalledCopyInTheTrashUninstallsAtTheFirstLook) {
    bundle.path = MONITOR_APP_PATH;  // counts as installed from the path at construction
    construct();
    bundle.path = trashedBundle();  // the platform now reports the moved bundle
    holdLock();                     // not asked in this case
    app->applicationDidFinishLaunching();
    expectAutomaticUninstallStarted();
}

TEST_F(AppRemovalWatchTest, ACopyFromElsewhereInTheTrashUninstallsAtTheFirstLook) {
    bundle.path = temp / "Volumes/Data/.Trashes/501/tarvex Monitor.app";
    construct();
    app->applicationDidFinishLaunching();
    expectAutomaticUninstallStarted();
}

TEST_F(AppRemovalWatchTest, ACopyFromElsewhereIgnoresTheInstalledCopyVanishing) {
    launchFrom(temp / "Downloads/tarvex Monitor.app");
    fs::remove_all(MONITOR_APP_PATH);
    look();
    look();
    look();
    expectNothingHappened();
}

TEST_F(AppRemovalWatchTest, AVanishedBundleUninstallsOnlyWhenStillMissingAtTheNextLook) {
    launchInstalled();
    fs::remove_all(MONITOR_APP_PATH);
    look();
    expectNothingHappened();
    look();
    expectAutomaticUninstallStarted();
}

TEST_F(AppRemovalWatchTest, ABundleThatComesBackBeforeTheNextLookIsNotARemoval) {
    launchInstalled();
    fs::remove_all(MONITOR_APP_PATH);  // an update swapping the bundle
    look();
    fs::create_directories(MONITOR_APP_PATH);
    look();
    fs::remove_all(MONITOR_APP_PATH);
    look();  // a new miss starts counting again
    expectNothingHappened();
    look();
    expectAutomaticUninstallStarted();
}

TEST_F(AppRemovalWatchTest, AVanishedBundleWhileTheToolHoldsItsLockQuitsQuietly) {
    launchInstalled();
    holdLock();
    fs::remove_all(MONITOR_APP_PATH);
    look();
    look();
    expectQuietQuit();
}

TEST_F(AppRemovalWatchTest, AVanishedBundleWithTheCoreInstallationGoneQuitsQuietly) {
    launchInstalled();
    fs::remove_all(MONITOR_APP_PATH);
    fs::remove_all(TARVEX_ROOT);
    look();
    look();
    expectQuietQuit();
}

TEST_F(AppRemovalWatchTest, AVanishedBundleWithOnlyTheToolGoneStillUninstalls) {
    launchInstalled();
    fs::remove_all(MONITOR_APP_PATH);
    fs::remove(TARVEXCTL);
    ASSERT_TRUE(fs::exists(TARVEX_ROOT));
    look();
    look();
    expectAutomaticUninstallStarted();
}

TEST_F(AppRemovalWatchTest, WhileUninstallingFurtherLooksSendNothing) {
    launchInstalled();
    bundle.path = trashedBundle();
    look();
    ASSERT_EQ(uninstallRequests().size(), 1u);
    EXPECT_FALSE(appRemovalTimer(*app)->isActive()) << "the watch looks again";
    app->checkAppRemoval();
    EXPECT_EQ(uninstallRequests().size(), 1u);
}

TEST_F(AppRemovalWatchTest, ASuccessfulAutomaticUninstallQuitsWithoutAnAlert) {
    launchInstalled();
    bundle.path = trashedBundle();
    look();
    runner.answerNext(true);
    EXPECT_EQ(appHost.terminations, 1);
    EXPECT_TRUE(alerts.shown.empty());
}

TEST_F(AppRemovalWatchTest, AFailedAutomaticUninstallAlertsThenQuits) {
    launchInstalled();
    bundle.path = trashedBundle();
    look();
    alerts.onShow = [this](const AlertSpec&) { EXPECT_EQ(appHost.terminations, 0); };
    runner.answerNext(false, "not shown");
    ASSERT_EQ(alerts.shown.size(), 1u);
    EXPECT_EQ(alerts.shown[0].message, "Automatic Uninstall Failed");
    EXPECT_EQ(alerts.shown[0].informativeText.toStdString(), logDetailsText());
    EXPECT_EQ(alerts.shown[0].style, AlertStyle::critical);
    EXPECT_EQ(appHost.terminations, 1);
}

TEST_F(AppRemovalWatchTest, AReplyAfterTheControllerIsGoneStillQuits) {
    launchInstalled();
    bundle.path = trashedBundle();
    look();
    app.reset();
    runner.answerNext(false);
    EXPECT_TRUE(alerts.shown.empty());
    EXPECT_EQ(appHost.terminations, 1);
}

}  // namespace
}  // namespace tarvex::testing
