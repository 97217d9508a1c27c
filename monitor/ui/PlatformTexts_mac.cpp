#include <QCoreApplication>

#include "monitor/ui/HelperReachability.h"
#include "monitor/ui/PlatformTexts.h"

namespace tarvex {

QString bootSwitchTitle() {
    return QCoreApplication::translate("tarvex::SettingsWindowController",
                                       "Start automatically when macOS boots");
}

QString HelperReachability::remedy(HelperFault fault) {
    if (fault == HelperFault::noSocket) {
        return QStringLiteral(
            "sudo launchctl bootstrap system /Library/LaunchDaemons/com.tarvex.helper.plist");
    }
    return QStringLiteral("sudo launchctl kickstart -k system/com.tarvex.helper");
}

}  // namespace tarvex
