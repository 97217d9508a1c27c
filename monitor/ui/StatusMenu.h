#pragma once

#include <QObject>

#include <memory>
#include <optional>

#include "monitor/ui/ShownState.h"

class QAction;
class QMenu;
class QSystemTrayIcon;

namespace tarvex {

class CommandActions;
class StatusModel;

// The status menu: the status and port lines, then the commands. A view of the model; its
// commands are the shared actions.
class StatusMenu : public QObject {
    Q_OBJECT

public:
    StatusMenu(const StatusModel& model, const CommandActions& actions, QObject* parent = nullptr);
    ~StatusMenu() override;

    // Named "statusMenu"; its two lines are the disabled actions "statusLine" and "portLine".
    QMenu* menu() const { return menu_.get(); }

private:
    void showModel();

    const StatusModel& model_;
    std::unique_ptr<QMenu> menu_;  // a top-level widget: no parent
    QAction* statusLine_ = nullptr;
    QAction* portLine_ = nullptr;
};

// The tray icon: the state's image, and a tooltip with the menu's two lines or, where the state
// is not known, why. A view of the model.
class StatusTray : public QObject {
    Q_OBJECT

public:
    explicit StatusTray(const StatusModel& model, QObject* parent = nullptr);

    QSystemTrayIcon* icon() const { return icon_; }

private:
    void showModel();

    const StatusModel& model_;
    QSystemTrayIcon* icon_ = nullptr;  // a child
    std::optional<ShownState> shownIcon_;
};

}  // namespace tarvex
