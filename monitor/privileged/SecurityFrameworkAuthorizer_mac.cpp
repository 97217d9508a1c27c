// The system's own administrator dialog.
#include "monitor/privileged/SecurityFrameworkAuthorizer.h"

#include <Security/Authorization.h>
#include <Security/AuthorizationTags.h>  // kAuthorizationEnvironmentPrompt

#include <QByteArray>

#include "monitor/privileged/AdminAuthorization.h"

namespace tarvex {

bool SecurityFrameworkAuthorizer::authorizeAdmin(const QString& prompt) {
    AuthorizationRef reference = nullptr;
    if (AuthorizationCreate(nullptr, nullptr, kAuthorizationFlagDefaults, &reference) !=
            errAuthorizationSuccess ||
        reference == nullptr) {
        return false;
    }

    AuthorizationItem right = {"system.privilege.admin", 0, nullptr, 0};
    AuthorizationRights rights = {1, &right};

    // The value length is the prompt's UTF-8 byte count, without a terminating zero.
    QByteArray text = prompt.toUtf8();
    AuthorizationItem promptItem = {kAuthorizationEnvironmentPrompt,
                                    static_cast<size_t>(text.size()), text.data(), 0};
    AuthorizationEnvironment environment = {1, &promptItem};

    const AuthorizationFlags flags =
        kAuthorizationFlagInteractionAllowed | kAuthorizationFlagExtendRights;  // 3
    const OSStatus status =
        AuthorizationCopyRights(reference, &rights, &environment, flags, nullptr);
    AuthorizationFree(reference, kAuthorizationFlagDefaults);
    return status == errAuthorizationSuccess;
}

std::unique_ptr<Authorizer> makePlatformAuthorizer() {
    return std::make_unique<SecurityFrameworkAuthorizer>();
}

}  // namespace tarvex
