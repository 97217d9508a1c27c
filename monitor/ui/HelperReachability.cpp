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

QString HelperReachability::explanation(HelperFault fault) {
    return tr("%1\nTo start it, run in a terminal:\n%2").arg(problem(fault), remedy(fault));
}

}  // namespace tarvex
