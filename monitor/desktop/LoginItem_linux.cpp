#include "monitor/desktop/LoginItem.h"

#include <QStandardPaths>

namespace tarvex {

// $XDG_CONFIG_HOME (or ~/.config), then the folders of $XDG_CONFIG_DIRS (or /etc/xdg).
std::unique_ptr<LoginItem> makePlatformLoginItem(std::vector<std::string> command) {
    const QString userConfigHome =
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    std::vector<std::string> systemDirs;
    for (const QString& dir :
         QStandardPaths::standardLocations(QStandardPaths::GenericConfigLocation)) {
        if (systemDirs.size() > 0 || dir != userConfigHome) {  // the list starts with the user's
            systemDirs.push_back(dir.toStdString());
        }
    }
    return std::make_unique<XdgAutostart>(userConfigHome.toStdString(), std::move(systemDirs),
                                          std::move(command));
}

}  // namespace tarvex
