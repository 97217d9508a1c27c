#pragma once

#include <functional>
#include <string>
#include <vector>

namespace tarvex {

// Called exactly once per request, on the main thread, never from inside the call that sent it.
using PrivilegedCompletion = std::function<void(bool success, std::string output)>;

// Sends one control command through the root helper. The controller and the settings window
// hold this seam; tests pass fakes.
class PrivilegedRunner {
public:
    virtual ~PrivilegedRunner() = default;
    virtual void run(const std::string& command, const std::vector<std::string>& args,
                     PrivilegedCompletion completion) = 0;
};

// Asks the local user for the administrator right with an action-specific prompt. Blocks until
// the user has answered; true exactly when the right was granted.
class Authorizer {
public:
    virtual ~Authorizer() = default;
    virtual bool authorizeAdmin(const std::string& prompt) = 0;
};

}  // namespace tarvex
