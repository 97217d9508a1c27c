#pragma once

#include "monitor/privileged/PrivilegedRunner.h"

namespace tarvex {

// Stands in for the system's administrator dialog in demo runs: shows the action's prompt
// with "Authorize" and "Cancel" and asks for no password.
class DemoAuthorizer : public Authorizer {
public:
    bool authorizeAdmin(const QString& prompt) override;
};

}  // namespace tarvex
