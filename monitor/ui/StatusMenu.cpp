#include "monitor/ui/StatusMenu.h"

#include <QAction>
#include <QMenu>
#include <QSystemTrayIcon>

#include "monitor/ui/CommandActions.h"
#include "monitor/ui/StatusIcon.h"
#include "monitor/ui/StatusModel.h"

namespace tarvex {

StatusMenu::StatusMenu(const StatusModel& model, const CommandActions& actions, QObject* parent)
    : QObject(parent), model_(model), menu_(std::make_unique<QMenu>()) {
    menu_->setObjectName(QStringLiteral("statusMenu"));
    auto addInfoLine = [this](const char* name) {
        QAction* line = menu_->addAction(QString());
        line->setObjectName(QLatin1String(name));
        line->setEnabled(false);
        return line;
    };
    auto add = [this, &actions](std::initializer_list<Command> commands) {
        menu_->addSeparator();
        for (Command command : commands) {
            menu_->addAction(actions.action(command));
        }
    };
    statusLine_ = addInfoLine("statusLine");
    portLine_ = addInfoLine("portLine");
    add({Command::start, Command::stop, Command::restart});
    add({Command::viewLogs, Command::saveLogs});
    add({Command::settings, Command::doctor});
    add({Command::initialize, Command::uninstall});
    add({Command::quit});

    connect(&model_, &StatusModel::changed, this, &StatusMenu::showModel);
    showModel();
}

StatusMenu::~StatusMenu() = default;

void StatusMenu::showModel() {
    statusLine_->setText(model_.statusLine());
    portLine_->setText(model_.portLine());
}

StatusTray::StatusTray(const StatusModel& model, QObject* parent)
    : QObject(parent), model_(model), icon_(new QSystemTrayIcon(this)) {
    connect(&model_, &StatusModel::changed, this, &StatusTray::showModel);
    showModel();
}

// Every poll answer changes the model; the tray (over D-Bus, a new picture each time) is told
// only what really changed. Where the service's state is not known, the tooltip says why instead
// of a port.
void StatusTray::showModel() {
    if (shownIcon_ != model_.iconState()) {
        shownIcon_ = model_.iconState();
        icon_->setIcon(makeStatusIcon(*shownIcon_));
    }
    QStringList lines = {model_.statusLine()};
    if (isServiceState(model_.state()) || !model_.hasStatus()) {
        lines << model_.portLine();
    }
    lines << model_.lastSeenLine() << model_.explanation();
    lines.removeAll(QString());  // drops the empty ones
    const QString tip = lines.join(QLatin1Char('\n'));
    if (tip != icon_->toolTip()) {
        icon_->setToolTip(tip);
    }
}

}  // namespace tarvex
