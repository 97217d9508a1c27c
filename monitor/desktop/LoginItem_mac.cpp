#include "monitor/desktop/LoginItem.h"

#include <QDir>

namespace tarvex {

std::unique_ptr<LoginItem> makePlatformLoginItem(std::vector<std::string> command) {
    return std::make_unique<LaunchAgentLoginItem>(
        QDir::homePath().toStdString() + "/Library/LaunchAgents", std::move(command));
}

}  // namespace tarvex
