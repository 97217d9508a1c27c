#include "monitor/ui/CommandActions.h"

#include <QAbstractButton>
#include <QAction>
#include <QKeySequence>

#include "monitor/ui/StatusModel.h"

namespace tarvex {

namespace {

// What each command is called where: its object name, its menu text, the shorter text of its
// button in the main window (none for Quit) and its key. In the order of Command.
struct CommandText {
    const char* objectName;
    const char* menuText;
    const char* buttonText;
    const char* shortcut;  // "Ctrl" is the Command key on macOS
};
constexpr std::array<CommandText, COMMAND_COUNT> COMMANDS = {{
    {"startAction", QT_TRANSLATE_NOOP("tarvex::CommandActions", "Start Service"),
     QT_TRANSLATE_NOOP("tarvex::CommandActions", "Start"), ""},
    {"stopAction", QT_TRANSLATE_NOOP("tarvex::CommandActions", "Stop Service"),
     QT_TRANSLATE_NOOP("tarvex::CommandActions", "Stop"), ""},
    {"restartAction", QT_TRANSLATE_NOOP("tarvex::CommandActions", "Restart Service"),
     QT_TRANSLATE_NOOP("tarvex::CommandActions", "Restart"), ""},
    {"viewLogsAction", QT_TRANSLATE_NOOP("tarvex::CommandActions", "View Logs..."),
     QT_TRANSLATE_NOOP("tarvex::CommandActions", "View Logs"), ""},
    {"saveLogsAction", QT_TRANSLATE_NOOP("tarvex::CommandActions", "Save Logs to…"),
     QT_TRANSLATE_NOOP("tarvex::CommandActions", "Save Logs to…"), ""},
    {"settingsAction", QT_TRANSLATE_NOOP("tarvex::CommandActions", "Settings..."),
     QT_TRANSLATE_NOOP("tarvex::CommandActions", "Settings…"), "Ctrl+,"},
    {"doctorAction", QT_TRANSLATE_NOOP("tarvex::CommandActions", "Run Doctor"),
     QT_TRANSLATE_NOOP("tarvex::CommandActions", "Run Doctor"), ""},
    {"initializeAction", QT_TRANSLATE_NOOP("tarvex::CommandActions", "Initialize Database"),
     QT_TRANSLATE_NOOP("tarvex::CommandActions", "Initialize Database"), ""},
    {"uninstallAction", QT_TRANSLATE_NOOP("tarvex::CommandActions", "Uninstall..."),
     QT_TRANSLATE_NOOP("tarvex::CommandActions", "Uninstall…"), ""},
    {"quitAction", QT_TRANSLATE_NOOP("tarvex::CommandActions", "Quit Monitor"), "", "Ctrl+Q"},
}};

}  // namespace

CommandActions::CommandActions(QObject* parent) : QObject(parent) {
    for (std::size_t i = 0; i < COMMAND_COUNT; ++i) {
        const CommandText& command = COMMANDS[i];
        auto* item = new QAction(tr(command.menuText), this);
        item->setObjectName(QLatin1String(command.objectName));
        if (*command.buttonText != '\0') {
            item->setIconText(tr(command.buttonText));
        }
        item->setShortcut(QKeySequence(QLatin1String(command.shortcut)));
        // A key works in every window of the application, not only while the menu is open.
        item->setShortcutContext(Qt::ApplicationShortcut);
        actions_[i] = item;
    }
}

QAction* CommandActions::action(Command command) const {
    return actions_[static_cast<std::size_t>(command)];
}

void CommandActions::follow(const StatusModel& model) {
    connect(&model, &StatusModel::changed, this, [this, &model] { applyRules(model); });
    applyRules(model);
}

void CommandActions::applyRules(const StatusModel& model) {
    action(Command::start)->setEnabled(model.canStart());
    action(Command::stop)->setEnabled(model.canStop());
    action(Command::restart)->setEnabled(model.canRestart());
    action(Command::settings)->setEnabled(model.canOpenSettings());
    action(Command::initialize)->setEnabled(model.canInitialize());
    action(Command::uninstall)->setEnabled(model.canUninstall());
    for (Command command : {Command::viewLogs, Command::saveLogs, Command::doctor}) {
        action(command)->setEnabled(model.canRunMaintenance());
    }
}

void bindButton(QAbstractButton& button, QAction& action) {
    button.setText(action.iconText());
    button.setObjectName(
        action.objectName().replace(QLatin1String("Action"), QLatin1String("Button")));
    button.setEnabled(action.isEnabled());
    QObject::connect(&button, &QAbstractButton::clicked, &action, [&action] { action.trigger(); });
    QObject::connect(&action, &QAction::enabledChanged, &button, &QAbstractButton::setEnabled);
}

}  // namespace tarvex
