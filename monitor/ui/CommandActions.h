#pragma once

#include <QObject>

#include <array>
#include <cstddef>

class QAbstractButton;
class QAction;

namespace tarvex {

class StatusModel;

// Everything the user can ask of the monitor, in the status menu's order.
enum class Command {
    start,
    stop,
    restart,
    viewLogs,
    saveLogs,
    settings,
    doctor,
    initialize,
    uninstall,
    quit,
};
inline constexpr std::size_t COMMAND_COUNT = static_cast<std::size_t>(Command::quit) + 1;

// One QAction per command, shared by the status menu and the main window's buttons, so that a
// command is enabled or not in one place: here, by the model's rules.
class CommandActions : public QObject {
    Q_OBJECT

public:
    // The actions are children of this object, named "<command>Action" (e.g. "startAction"),
    // with their menu text, their button text as icon text, and their keys.
    explicit CommandActions(QObject* parent = nullptr);

    QAction* action(Command command) const;
    // Enables the guarded commands by the model's rules, now and at every change.
    void follow(const StatusModel& model);

private:
    void applyRules(const StatusModel& model);

    std::array<QAction*, COMMAND_COUNT> actions_{};
};

// A button that triggers the action and is enabled exactly when the action is, with the action's
// button text, named "<command>Button".
void bindButton(QAbstractButton& button, QAction& action);

}  // namespace tarvex
