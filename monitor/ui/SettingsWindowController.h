#pragma once

#include <QAction>
#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>
#include <string>

#include "monitor/desktop/Seams.h"
#include "monitor/privileged/PrivilegedRunner.h"

namespace tarvex {

class StatusModel;

// The settings window: one checkbox for starting the service at boot. The setting is read by
// running the control tool with the user's rights, without waiting for it, and changed through
// the privileged helper. A window closed once is never shown again; showing the settings while no
// window is visible builds a fresh one.
class SettingsWindowController : public QObject {
    Q_OBJECT

public:
    // Starts reading the control tool's "boot-status" output and returns at once; `done` gets
    // the output later, on the main thread. The default runs the tool as a child process.
    using BootStatusReader = std::function<void(std::function<void(std::string output)> done)>;

    SettingsWindowController(PrivilegedRunner& runner, Alerts& alerts, AppHost& app,
                             BootStatusReader readBootStatus = {}, QObject* parent = nullptr);
    ~SettingsWindowController() override;

    void showWindow();
    void loadBootStartupState();
    void bootStartupToggled(bool requestedOn);
    void closeSettings();
    // The monitor's own options as the windows built from now on, and the current one, show.
    void setMonitorOptions(bool showNotifications, bool startAtLogin);
    // While the model knows no status or no installation, the boot setting, which only the helper
    // can change, is held off and the window says why.
    void follow(const StatusModel& model);
    // Actions whose shortcuts work while this window has the focus; added to every new window.
    void addSharedActions(const QList<QAction*>& actions);

    // The current window and its controls; null until the window is first shown.
    QDialog* window() const { return window_.get(); }
    QCheckBox* bootStartupSwitch() const { return bootStartupSwitch_; }
    QLabel* statusLabel() const { return statusLabel_; }
    bool isApplying() const { return bootStartupApplying_; }

signals:
    void showNotificationsToggled(bool on);
    void startAtLoginToggled(bool on);

private:
    void buildWindow();
    void applyLoadedBootStatus(const std::string& trimmedOutput);
    void finishChange(bool requestedOn, const HelperAnswer& answer, const QString& feedbackBefore);
    void runBootStatusTool(std::function<void(std::string)> done);
    void holdBootSetting(const QString& reason);
    // A label's accessible name is its text, and Qt tells assistive technology of each change.
    void setFeedback(const QString& text);

    PrivilegedRunner& runner_;
    Alerts& alerts_;
    AppHost& app_;
    BootStatusReader readBootStatus_;

    std::unique_ptr<QDialog> window_;
    QPointer<QCheckBox> bootStartupSwitch_;
    QPointer<QLabel> statusLabel_;
    QPointer<QCheckBox> notificationsSwitch_;
    QPointer<QCheckBox> loginSwitch_;
    bool bootStartupApplying_ = false;
    QString holdReason_;  // not empty: why the boot setting cannot be changed now
    bool showNotifications_ = true;
    bool startAtLogin_ = false;
    QList<QAction*> sharedActions_;
};

}  // namespace tarvex
