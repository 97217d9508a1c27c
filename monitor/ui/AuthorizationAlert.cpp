#include "monitor/ui/AuthorizationAlert.h"

#include <QCoreApplication>

#include "monitor/ui/FailureDetails.h"
#include "monitor/ui/StatusTexts.h"
#include "shared/HelperProtocol.h"

namespace tarvex {

namespace {

QString cannotAskTitle() {
    return QCoreApplication::translate("AuthorizationAlert",
                                       "Cannot Ask for the Administrator Password");
}

}  // namespace

std::optional<AlertSpec> authorizationAlert(AuthorizationRefusal refusal,
                                            const QString& failureTitle, AlertStyle failureStyle) {
    switch (refusal) {
        case AuthorizationRefusal::dismissed:
            return std::nullopt;
        case AuthorizationRefusal::noAgent:
            return AlertSpec{
                cannotAskTitle(),
                QCoreApplication::translate(
                    "AuthorizationAlert",
                    "No authentication agent is running in your session, so nobody could ask "
                    "for the administrator password. Nothing was changed.\n\nStart your "
                    "desktop's authentication agent, or install one and log in again. GNOME has "
                    "one built in; on Debian, install polkit-kde-agent-1 for KDE Plasma, "
                    "mate-polkit for MATE or lxpolkit for other desktops."),
                AlertStyle::warning,
                {}};
        case AuthorizationRefusal::unavailable:
            return AlertSpec{
                cannotAskTitle(),
                QCoreApplication::translate(
                    "AuthorizationAlert",
                    "The system's authorization service (polkit) gave no answer within %1 "
                    "minutes, so the administrator password could not be asked for. Nothing "
                    "was changed.\n\nTry again. If this keeps happening, check that polkitd is "
                    "installed and running (Debian package polkitd).")
                    .arg(AUTHORIZATION_CHECK_LIMIT.count()),
                AlertStyle::warning,
                {}};
        case AuthorizationRefusal::refused:
            break;
    }
    return AlertSpec{failureTitle,
                     logDetails(),
                     failureStyle,
                     {},
                     FailureDetails::withReason(
                         QCoreApplication::translate(
                             "AuthorizationAlert",
                             "The administrator password was not accepted, or the system's rules "
                             "do not let your account do this. Nothing was changed."),
                         {})};
}

}  // namespace tarvex
