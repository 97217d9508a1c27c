#include "monitor/ui/CommandActions.h"

#include <QAbstractButton>
#include <QAction>

#include "monitor/ui/StatusModel.h"

namespace tarvex {

namespace {

constexpr std::array<const char*, COMMAND_COUNT> OBJECT_NAMES = {
    "startAction",    "stopAction",   "restartAction",    "viewLogsAction",  "saveLogsAction",
    "settingsAction", "doctorAction", "initializeAction", "uninstallAction", "quitAction"};

}  // namespace

CommandActions::CommandActions(QObject* parent) : QObject(parent) {
    for (std::size_t i = 0; i < COMMAND_COUNT; ++i) {
        actions_[i] = new QAction(this);
        actions_[i]->setObjectName(QLatin1String(OBJECT_NAMES[i]));
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
    button.setEnabled(action.isEnabled());
    QObject::connect(&button, &QAbstractButton::clicked, &action, [&action] { action.trigger(); });
    QObject::connect(&action, &QAction::enabledChanged, &button, &QAbstractButton::setEnabled);
}

}  // namespace tarvex
