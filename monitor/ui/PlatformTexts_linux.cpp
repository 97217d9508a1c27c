#include <QCoreApplication>

#include "monitor/ui/HelperReachability.h"
#include "monitor/ui/PlatformTexts.h"

namespace tarvex {

QString bootSwitchTitle() {
    return QCoreApplication::translate("tarvex::SettingsWindowController",
                                       "Start automatically when the computer starts");
}

QString HelperReachability::remedy(HelperFault fault) {
    switch (fault) {
        case HelperFault::noSocket:
            return QStringLiteral("sudo systemctl enable --now tarvex-helper.socket");
        case HelperFault::permissionDenied:
            // The socket unit makes the socket anew, with the mode every account may open.
            return QStringLiteral("sudo systemctl restart tarvex-helper.socket");
        default:
            return QStringLiteral("sudo systemctl restart tarvex-helper.service");
    }
}

}  // namespace tarvex
