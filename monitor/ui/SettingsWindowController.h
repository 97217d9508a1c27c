#pragma once

#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>
#include <string>

#include "monitor/privileged/PrivilegedRunner.h"
#include "monitor/ui/Seams.h"

namespace tarvex {

// The settings window: one checkbox for starting the service at boot. The setting is read by
// running the control tool with the user's rights off the main thread and changed through the
// privileged helper. A window closed once is never shown again; showing the settings while no
// window is visible builds a fresh one.
class SettingsWindowController : public QObject {
    Q_OBJECT

public:
    // Answers the control tool's "boot-status" output; blocks, so it runs off the main thread.
    using BootStatusReader = std::function<std::string()>;
    // Runs a task on some background thread.
    using BackgroundExecutor = std::function<void(std::function<void()>)>;

    static constexpr int WINDOW_WIDTH = 460;
    static constexpr int WINDOW_HEIGHT = 150;

    SettingsWindowController(PrivilegedRunner& runner, Alerts& alerts, AppHost& app,
                             BootStatusReader readBootStatus = {},
                             BackgroundExecutor runInBackground = {}, QObject* parent = nullptr);
    ~SettingsWindowController() override;

    void showWindow();
    void loadBootStartupState();
    void bootStartupToggled(bool requestedOn);
    void closeSettings();

    // The current window and its controls; null until the window is first shown.
    QDialog* window() const { return window_.get(); }
    QCheckBox* bootStartupSwitch() const { return bootStartupSwitch_; }
    QLabel* statusLabel() const { return statusLabel_; }
    bool isApplying() const { return bootStartupApplying_; }

private:
    void buildWindow();
    void applyLoadedBootStatus(const std::string& trimmedOutput);
    void finishChange(bool requestedOn, bool success);

    PrivilegedRunner& runner_;
    Alerts& alerts_;
    AppHost& app_;
    BootStatusReader readBootStatus_;
    BackgroundExecutor runInBackground_;

    std::unique_ptr<QDialog> window_;
    QPointer<QCheckBox> bootStartupSwitch_;
    QPointer<QLabel> statusLabel_;
    bool bootStartupApplying_ = false;
};

}  // namespace tarvex
