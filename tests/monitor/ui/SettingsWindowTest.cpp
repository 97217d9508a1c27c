#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QTest>

#include <memory>

#include "monitor/host/Installation.h"
#include "monitor/ui/SettingsWindowController.h"
#include "monitor/ui/StatusModel.h"
#include "tests/support/FakeSeams.h"
#include "tests/support/TempFolder.h"
#include "tests/support/TestApplication.h"
#include "tests/support/TextFit.h"

namespace tarvex::testing {
namespace {

// Holds boot-status reads until the test answers them, so loads finish exactly when it says.
struct ManualReader {
    std::vector<std::function<void(std::string)>> pending;
    std::string output;
    void answerAll() {
        auto reads = std::move(pending);
        pending.clear();
        for (auto& done : reads) {
            done(output);
        }
    }
};

class SettingsWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ensureTestApplication();
        relocateInstallation(temp.path());
    }
    void TearDown() override {
        controller.reset();
        relocateInstallation("");
    }

    std::unique_ptr<SettingsWindowController> makeController() {
        return std::make_unique<SettingsWindowController>(
            world.runner, world.alerts, world.appHost,
            [this](auto done) { reader.pending.push_back(std::move(done)); });
    }

    // Opens the window and lets the load answer `answer`.
    void openWith(const std::string& answer) {
        reader.output = answer;
        controller->showWindow();
        reader.answerAll();
    }

    QCheckBox* box() { return controller->bootStartupSwitch(); }
    QString label() { return controller->statusLabel()->text(); }

    TempFolder temp;
    FakeWorld world;
    ManualReader reader;
    std::unique_ptr<SettingsWindowController> controller = makeController();
};

TEST_F(SettingsWindowTest, TheWindowHasItsSizeTitleAndControls) {
    controller->showWindow();
    QDialog* window = controller->window();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->size(), QSize(460, 238));
    EXPECT_EQ(window->windowTitle(), "tarvex Settings");
    EXPECT_TRUE(window->isVisible());
    EXPECT_GE(world.appHost.activations, 1);

    QStringList labels;
    for (QLabel* l : window->findChildren<QLabel*>()) {
        labels << l->text();
    }
    EXPECT_TRUE(labels.contains("Start at Boot"));
    EXPECT_TRUE(box()->text().startsWith("Start automatically when "));
    EXPECT_EQ(box()->geometry(), QRect(16, 148, 428, 22));
    EXPECT_EQ(label(), "");
    const auto buttons = window->findChildren<QPushButton*>();
    ASSERT_EQ(buttons.size(), 1);
    EXPECT_EQ(buttons[0]->text(), "Close");
    EXPECT_TRUE(buttons[0]->isDefault());
    EXPECT_EQ(buttons[0]->geometry(), QRect(348, 190, 96, 32));
    EXPECT_EQ(cutTexts(*window), QStringList());
}

TEST_F(SettingsWindowTest, ALargerFontGrowsTheWindowInsteadOfCuttingTexts) {
    controller.reset();
    const ApplicationFontSize large(14);
    controller = makeController();
    controller->showWindow();
    QDialog* window = controller->window();
    renderOffscreen(*window);
    EXPECT_EQ(cutTexts(*window), QStringList());
    EXPECT_GT(window->width(), 460);
    const QLabel* heading = window->findChild<QLabel*>();
    ASSERT_NE(heading, nullptr);
    EXPECT_DOUBLE_EQ(heading->font().pointSizeF(), 14.0) << "the heading follows the font";
}

TEST_F(SettingsWindowTest, KnownAnswersSetAndEnableTheCheckbox) {
    openWith("enabled\n");
    EXPECT_TRUE(box()->isChecked());
    EXPECT_TRUE(box()->isEnabled());

    controller->showWindow();  // visible: same window, read again
    EXPECT_FALSE(box()->isEnabled());
    reader.output = "  disabled \n";
    reader.answerAll();
    EXPECT_FALSE(box()->isChecked());
    EXPECT_TRUE(box()->isEnabled());

    controller->showWindow();  // Unicode spaces and line breaks are trimmed like ASCII ones
    reader.output = "\u2003enabled\u00A0\u2028";
    reader.answerAll();
    EXPECT_TRUE(box()->isChecked());
    EXPECT_TRUE(box()->isEnabled());
    EXPECT_TRUE(world.runner.requests.empty()) << "setting the checkbox from a load sends nothing";
    EXPECT_EQ(label(), "");  // loading never writes the feedback line
}

TEST_F(SettingsWindowTest, WhileTheHelperCannotBeReachedTheBootSettingWaitsAndSaysWhy) {
    StatusModel model;
    controller->follow(model);
    model.applyStatus(TarvexStatus{}, HelperFault::noSocket);
    openWith("enabled\n");
    EXPECT_TRUE(box()->isChecked()) << "still read: the tool runs without the helper";
    EXPECT_FALSE(box()->isEnabled());
    EXPECT_EQ(label(), "The helper cannot be reached.");

    model.applyStatus(TarvexStatus{}, HelperFault::none);
    reader.answerAll();  // read again once the helper answers
    EXPECT_TRUE(box()->isEnabled());
    EXPECT_EQ(label(), "");
    model.applyStatus(TarvexStatus{}, HelperFault::noAnswer);
    EXPECT_FALSE(box()->isEnabled());
}

TEST_F(SettingsWindowTest, AnythingElseLeavesItUnreadableOffAndDisabled) {
    for (const std::string answer :
         {"Enabled", "enabled: yes", "", "The program could not be started"}) {
        openWith(answer);
        EXPECT_FALSE(box()->isChecked()) << answer;
        EXPECT_FALSE(box()->isEnabled()) << answer;
        EXPECT_EQ(label(), "") << answer;
        controller->closeSettings();
    }
    EXPECT_TRUE(world.alerts.shown.empty());
}

TEST_F(SettingsWindowTest, TurningOnSendsEnableBootAndReportsSuccess) {
    openWith("disabled");
    QTest::mouseClick(box(), Qt::LeftButton);
    EXPECT_TRUE(box()->isChecked());
    EXPECT_FALSE(box()->isEnabled());
    EXPECT_TRUE(controller->isApplying());
    EXPECT_EQ(label(), "Enabling boot startup...");
    ASSERT_EQ(world.runner.pendingCommands(), std::vector<std::string>{"enable-boot"});
    EXPECT_TRUE(world.authorizer.prompts.empty());

    world.runner.answerNext(true, "ignored output");
    EXPECT_TRUE(box()->isChecked());
    EXPECT_TRUE(box()->isEnabled());
    EXPECT_FALSE(controller->isApplying());
    EXPECT_EQ(label(), "Boot startup enabled.");
    EXPECT_TRUE(world.alerts.shown.empty());
}

TEST_F(SettingsWindowTest, AFailedChangeIsUndoneWithTheAlert) {
    openWith("enabled");
    QTest::mouseClick(box(), Qt::LeftButton);
    EXPECT_EQ(label(), "Disabling boot startup...");
    ASSERT_EQ(world.runner.pendingCommands(), std::vector<std::string>{"disable-boot"});
    const int activationsBefore = world.appHost.activations;

    world.runner.answerNext(false, "Connection to helper service lost");
    EXPECT_TRUE(box()->isChecked());
    EXPECT_TRUE(box()->isEnabled());
    EXPECT_EQ(label(), "Failed to change boot startup.");
    EXPECT_GT(world.appHost.activations, activationsBefore);
    ASSERT_EQ(world.alerts.shown.size(), 1u);
    const AlertSpec& alert = world.alerts.shown[0];
    EXPECT_EQ(alert.message, "Failed to change boot startup");
    EXPECT_EQ(alert.informativeText.toStdString(), logDetailsText());
    EXPECT_EQ(alert.style, AlertStyle::warning);
    EXPECT_TRUE(alert.buttons.empty());
}

TEST_F(SettingsWindowTest, ADismissedPasswordUndoesTheClickSilentlyWhileNoAgentIsTold) {
    openWith("disabled");
    QTest::mouseClick(box(), Qt::LeftButton);
    world.runner.answerNext(false, "Not authorized: enable-boot (dismissed)");
    EXPECT_FALSE(box()->isChecked());
    EXPECT_EQ(label(), "");
    EXPECT_TRUE(world.alerts.shown.empty());
    QTest::mouseClick(box(), Qt::LeftButton);
    world.runner.answerNext(false, "Not authorized: enable-boot (no authentication agent)");
    EXPECT_FALSE(box()->isChecked());
    ASSERT_EQ(world.alerts.shown.size(), 1u);
    EXPECT_EQ(world.alerts.shown[0].message, "Cannot Ask for the Administrator Password");
}

// Screen readers and switch access tick the box through its toggle action, not a click.
TEST_F(SettingsWindowTest, TheAccessibleToggleActionAppliesTheChange) {
    openWith("disabled");
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(box());
    ASSERT_NE(accessible, nullptr);
    ASSERT_NE(accessible->actionInterface(), nullptr);
    accessible->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    EXPECT_TRUE(box()->isChecked());
    EXPECT_EQ(world.runner.pendingCommands(), std::vector<std::string>{"enable-boot"});
    EXPECT_EQ(label(), "Enabling boot startup...");
}

TEST_F(SettingsWindowTest, AClickWhileApplyingIsIgnoredAndLoadsAreDropped) {
    openWith("disabled");
    QTest::mouseClick(box(), Qt::LeftButton);
    controller->bootStartupToggled(false);  // the action arriving despite the disabled box
    EXPECT_EQ(world.runner.requests.size(), 1u);
    EXPECT_EQ(label(), "Enabling boot startup...");

    reader.output = "disabled";
    controller->showWindow();  // re-read while applying: the answer is dropped
    reader.answerAll();
    EXPECT_TRUE(box()->isChecked());
    EXPECT_FALSE(box()->isEnabled());

    world.runner.answerNext(true);
    EXPECT_EQ(label(), "Boot startup enabled.");
    EXPECT_TRUE(box()->isEnabled());
}

TEST_F(SettingsWindowTest, ReopeningAfterCloseGivesAFreshWindowThatGetsTheLateReply) {
    openWith("disabled");
    QPointer<QDialog> first = controller->window();
    QTest::mouseClick(box(), Qt::LeftButton);
    controller->closeSettings();
    EXPECT_FALSE(first->isVisible());

    reader.output = "disabled";
    controller->showWindow();
    EXPECT_TRUE(first.isNull());  // the closed window is gone with its controls
    EXPECT_EQ(label(), "");
    reader.answerAll();  // dropped: the change is still in flight
    EXPECT_FALSE(box()->isChecked());
    EXPECT_FALSE(box()->isEnabled());

    world.runner.answerNext(true);
    EXPECT_TRUE(box()->isChecked());
    EXPECT_EQ(label(), "Boot startup enabled.");
}

TEST_F(SettingsWindowTest, ReturnClosesTheWindow) {
    openWith("enabled");
    QDialog* window = controller->window();
    QTest::keyClick(window, Qt::Key_Return);
    EXPECT_FALSE(window->isVisible());
}

TEST_F(SettingsWindowTest, AnswersForADestroyedControllerAreDropped) {
    reader.output = "enabled";
    controller->showWindow();
    controller->bootStartupToggled(true);
    controller.reset();
    reader.answerAll();              // the load's answer arrives after the controller is gone
    world.runner.answerNext(false);  // so does the change's reply
    EXPECT_TRUE(world.alerts.shown.empty());
}

TEST_F(SettingsWindowTest, TheDefaultReaderRunsTheToolWithoutWaitingForIt) {
    // A stand-in control tool under the relocated installation.
    writeFile(TARVEXCTL, "#!/bin/sh\n[ \"$1\" = boot-status ] && echo enabled\n");
    chmod(TARVEXCTL.c_str(), 0755);
    SettingsWindowController real(world.runner, world.alerts, world.appHost);
    real.showWindow();
    EXPECT_FALSE(real.bootStartupSwitch()->isEnabled()) << "answered before the tool ran";
    EXPECT_TRUE(QTest::qWaitFor([&] { return real.bootStartupSwitch()->isEnabled(); }, 10000));
    EXPECT_TRUE(real.bootStartupSwitch()->isChecked());
}

TEST_F(SettingsWindowTest, AMissingToolLeavesTheCheckboxOffAndDisabled) {
    SettingsWindowController real(world.runner, world.alerts, world.appHost);
    real.showWindow();
    // The failed start ends the read: its process goes, the checkbox stays off.
    EXPECT_TRUE(QTest::qWaitFor([&] { return real.findChildren<QProcess*>().isEmpty(); }, 10000));
    EXPECT_FALSE(real.bootStartupSwitch()->isChecked());
    EXPECT_FALSE(real.bootStartupSwitch()->isEnabled());
    EXPECT_TRUE(world.alerts.shown.empty());
}

}  // namespace
}  // namespace tarvex::testing
