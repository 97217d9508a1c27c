#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "monitor/privileged/PrivilegedRunner.h"

namespace tarvex {

// The polkit action that guards every state-changing request (packaging/com.tarvex.monitor.policy).
inline constexpr std::string_view ADMIN_ACTION_ID = "com.tarvex.monitor.manage";

// Linux: asks polkit, through pkcheck, whether this process may perform ADMIN_ACTION_ID,
// letting the user's authentication agent ask for an administrator's password. True only when
// pkcheck answers "authorized" (exit status 0).
class PolkitAuthorizer : public Authorizer {
public:
    PolkitAuthorizer();  // pkcheck from /usr/bin or /bin
    explicit PolkitAuthorizer(std::string pkcheckPath);

    bool authorizeAdmin(const std::string& prompt) override;
    std::string unavailableReason() const override { return unavailableReason_; }

private:
    std::string pkcheckPath_;  // empty: not installed
    std::string unavailableReason_;
};

// The absolute path of pkcheck in /usr/bin or /bin, or "" when neither has it.
std::string findPkcheck();

#ifdef __APPLE__
// macOS: the Security framework's administrator right with the prompt in the system dialog.
class SecurityFrameworkAuthorizer : public Authorizer {
public:
    bool authorizeAdmin(const std::string& prompt) override;
};
#endif

// The authorizer of the platform the application was built for.
std::unique_ptr<Authorizer> makePlatformAuthorizer();

// Asks through the platform authorizer; blocks until the user has answered.
bool authorizeAdmin(const std::string& prompt);

}  // namespace tarvex
