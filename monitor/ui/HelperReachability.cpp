#include "monitor/ui/HelperReachability.h"

#include "shared/base/FixedPaths.h"

namespace tarvex {

QString HelperReachability::problem(HelperFault fault) {
    const QString socket = QString::fromStdString(HELPER_SOCKET_PATH);
    switch (fault) {
        case HelperFault::noSocket:
            return tr("The tarvex helper cannot be reached: nothing listens at %1.").arg(socket);
        case HelperFault::permissionDenied:
            return tr("The tarvex helper cannot be reached: this account may not open %1.")
                .arg(socket);
        case HelperFault::connectionLost:
            return tr(
                "The tarvex helper cannot be reached: the connection broke before it "
                "answered.");
        case HelperFault::noAnswer:
        case HelperFault::none:
            break;
    }
    return tr("The tarvex helper cannot be reached: it does not answer.");
}

QString HelperReachability::remedy(HelperFault fault) {
#ifdef __APPLE__
    if (fault == HelperFault::noSocket) {
        return QStringLiteral(
            "sudo launchctl bootstrap system /Library/LaunchDaemons/com.tarvex.helper.plist");
    }
    return QStringLiteral("sudo launchctl kickstart -k system/com.tarvex.helper");
#else
    switch (fault) {
        case HelperFault::noSocket:
            return QStringLiteral("sudo systemctl enable --now tarvex-helper.socket");
        case HelperFault::permissionDenied:
            // The socket unit makes the socket anew, with the mode every account may open.
            return QStringLiteral("sudo systemctl restart tarvex-helper.socket");
        default:
            return QStringLiteral("sudo systemctl restart tarvex-helper.service");
    }
#endif
}

QString HelperReachability::explanation(HelperFault fault) {
    return tr("%1\nTo start it, run in a terminal:\n%2").arg(problem(fault), remedy(fault));
}

}  // namespace tarvex
