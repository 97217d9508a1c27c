#pragma once

#include "monitor/privileged/PrivilegedRunner.h"

namespace tarvex {

// macOS: the Security framework's administrator right with the prompt in the system dialog.
class SecurityFrameworkAuthorizer : public Authorizer {
public:
    bool authorizeAdmin(const QString& prompt) override;
};

}  // namespace tarvex
