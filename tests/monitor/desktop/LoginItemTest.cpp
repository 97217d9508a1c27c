#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "monitor/desktop/LoginItem.h"
#include "tests/support/TempFolder.h"

namespace tarvex {
namespace {

namespace fs = std::filesystem;
using testing::readFile;
using testing::writeFile;

class LoginItemTest : public ::testing::Test {
protected:
    void installPackagedEntry(const std::string& content = "[Desktop Entry]\nExec=x\n") {
        writeFile(temp / "etc/autostart/" + AUTOSTART_ENTRY_NAME, content);
    }

    XdgAutostart autostart() {
        return XdgAutostart((root / "home").string(),
                            {(root / "none").string(), (root / "etc").string()},
                            {"/opt/my apps/tarvex-monitor", "--background"});
    }

    testing::TempFolder temp;
    const fs::path root = temp.path();
};

TEST_F(LoginItemTest, WithoutAPackagedEntryTheUsersOwnEntryIsWrittenAndRemoved) {
    XdgAutostart item = autostart();
    EXPECT_FALSE(item.enabled());

    ASSERT_TRUE(item.setEnabled(true).ok());
    EXPECT_TRUE(item.enabled());
    const std::string entry = readFile(item.userEntryPath());
    EXPECT_NE(entry.find("Exec=\"/opt/my apps/tarvex-monitor\" --background\n"), std::string::npos)
        << entry;
    EXPECT_EQ(entry.find("Hidden"), std::string::npos);

    ASSERT_TRUE(item.setEnabled(false).ok());
    EXPECT_FALSE(item.enabled());
    EXPECT_FALSE(fs::exists(item.userEntryPath()));
}

TEST_F(LoginItemTest, APackagedEntryIsOverriddenByAHiddenUserEntryAndRestoredByRemovingIt) {
    installPackagedEntry();
    XdgAutostart item = autostart();
    EXPECT_TRUE(item.enabled());

    ASSERT_TRUE(item.setEnabled(false).ok());
    EXPECT_FALSE(item.enabled());
    EXPECT_NE(readFile(item.userEntryPath()).find("\nHidden=true\n"), std::string::npos);

    ASSERT_TRUE(item.setEnabled(true).ok());
    EXPECT_TRUE(item.enabled());
    EXPECT_FALSE(fs::exists(item.userEntryPath()));
}

TEST_F(LoginItemTest, APackagedEntrySwitchedOffByTheDesktopCountsAsOff) {
    installPackagedEntry("[Desktop Entry]\nExec=x\nX-GNOME-Autostart-enabled=false\n");
    XdgAutostart item = autostart();
    EXPECT_FALSE(item.enabled());
    ASSERT_TRUE(item.setEnabled(true).ok());
    EXPECT_TRUE(item.enabled());
    EXPECT_TRUE(fs::exists(item.userEntryPath()));
}

TEST_F(LoginItemTest, AFolderThatCannotBeMadeIsReported) {
    writeFile(temp / "home", "a file where the folder should be");
    XdgAutostart item = autostart();
    const QString error = item.setEnabled(true).reason();
    EXPECT_TRUE(error.contains(QString::fromStdString((root / "home").string())))
        << error.toStdString();
    EXPECT_FALSE(item.enabled());
}

TEST_F(LoginItemTest, ExecLineQuotesWhatTheDesktopEntryFormatReserves) {
    EXPECT_EQ(desktopExecLine({"/usr/bin/tarvex-monitor", "--background"}),
              "/usr/bin/tarvex-monitor --background");
    EXPECT_EQ(desktopExecLine({"/a b/100%", "$x\"y\\z"}),
              "\"/a b/100%%\" \"\\\\$x\\\\\"y\\\\\\\\z\"");
}

TEST_F(LoginItemTest, LaunchAgentRunsTheCommandAtLoginUntilSwitchedOff) {
    LaunchAgentLoginItem item((root / "LaunchAgents").string(),
                              {"/Applications/t&m.app/m", "--background"});
    EXPECT_FALSE(item.enabled());
    ASSERT_TRUE(item.setEnabled(true).ok());
    const std::string plist = readFile(item.agentPath());
    EXPECT_NE(plist.find("<string>com.tarvex.monitor</string>"), std::string::npos);
    EXPECT_NE(
        plist.find(
            "<string>/Applications/t&amp;m.app/m</string>\n\t\t<string>--background</string>"),
        std::string::npos)
        << plist;
    EXPECT_NE(plist.find("<key>RunAtLoad</key>\n\t<true/>"), std::string::npos);
    ASSERT_TRUE(item.setEnabled(false).ok());
    EXPECT_FALSE(item.enabled());
}

}  // namespace
}  // namespace tarvex
