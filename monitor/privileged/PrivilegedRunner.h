#pragma once

#include <QString>

#include <functional>

namespace tarvex {

// Why a request got no reply from the helper; `none` when the helper answered.
enum class HelperFault {
    none,
    noSocket,          // nothing listens at the socket path
    permissionDenied,  // the socket exists but this user may not connect to it
    noAnswer,          // the helper did not accept the connection in time
    connectionLost,    // the connection broke before the whole reply had arrived
};

// One answer: the helper's reply unchanged, or failure with CANNOT_CONNECT (noSocket,
// permissionDenied, noAnswer) or CONNECTION_LOST (connectionLost) and the fault that says why.
struct HelperAnswer {
    bool success = false;
    QString output;
    HelperFault fault = HelperFault::none;
};
using HelperAnswerHandler = std::function<void(HelperAnswer answer)>;

// Sends one control command through the root helper. The controller and the settings window
// hold this seam; tests pass fakes.
class PrivilegedRunner {
public:
    virtual ~PrivilegedRunner() = default;
    // `completion` is called exactly once, on the main thread, never from inside this call.
    virtual void runPrivileged(const QString& command, HelperAnswerHandler completion) = 0;
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
