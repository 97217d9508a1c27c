#pragma once

#include <QString>

#include <functional>
#include <string>
#include <vector>

namespace tarvex {

// Called exactly once per request, on the main thread, never from inside the call that sent it.
using PrivilegedCompletion = std::function<void(bool success, std::string output)>;

// Why a request got no reply from the helper; `none` when the helper answered.
enum class HelperFault {
    none,
    noSocket,          // nothing listens at the socket path
    permissionDenied,  // the socket exists but this user may not connect to it
    noAnswer,          // the helper did not accept the connection in time
    connectionLost,    // the connection broke before the whole reply had arrived
};
using ReportingCompletion =
    std::function<void(bool success, std::string output, HelperFault fault)>;

// Sends one control command through the root helper. The controller and the settings window
// hold this seam; tests pass fakes.
class PrivilegedRunner {
public:
    virtual ~PrivilegedRunner() = default;
    virtual void run(const std::string& command, const std::vector<std::string>& args,
                     PrivilegedCompletion completion) = 0;
    // The same, also telling why the helper could not be reached. A runner that cannot tell
    // reports every answer as the helper's own.
    virtual void runReporting(const std::string& command, const std::vector<std::string>& args,
                              ReportingCompletion completion) {
        run(command, args, [completion = std::move(completion)](bool success, std::string output) {
            completion(success, std::move(output), HelperFault::none);
        });
    }
};

// Asks the local user for the administrator right with an action-specific prompt before a
// request is sent, where the monitor asks itself (macOS, the demo). Blocks until the user has
// answered; true exactly when the right was granted.
class Authorizer {
public:
    virtual ~Authorizer() = default;
    virtual bool authorizeAdmin(const QString& prompt) = 0;
};

}  // namespace tarvex
