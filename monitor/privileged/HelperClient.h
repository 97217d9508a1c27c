#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "monitor/privileged/PrivilegedRunner.h"
#include "shared/HelperProtocol.h"

namespace tarvex {

// One answer: the helper's reply unchanged, or failure with CANNOT_CONNECT (noSocket,
// permissionDenied, noAnswer) or CONNECTION_LOST (connectionLost) and the fault that says why.
struct HelperAnswer {
    bool success = false;
    std::string output;
    HelperFault fault = HelperFault::none;
};
using HelperAnswerHandler = std::function<void(HelperAnswer answer)>;

// How long a connection may take to be accepted before the helper counts as unreachable.
inline constexpr int HELPER_CONNECT_TIMEOUT_MS = 2000;

// Sends one request to the helper's socket (HELPER_SOCKET_PATH) on a connection of its own,
// on the calling thread's event loop: never blocks, never answers from inside the call.
// `handler` runs exactly once, later, on that thread, unless the application object goes
// first; then it is released unrun. A broken connection is logged as "XPC error: " and the
// reason. There is no limit on how long the helper may take to reply (a tool may run long).
void sendToHelper(HelperRequest request, HelperAnswerHandler handler);

// The helper's remote object: each execute() is a sendToHelper with its own connection.
std::unique_ptr<TarvexHelperProtocol> helperProxy();

// sendToHelper with the answer as a success flag and the output text.
void runPrivileged(const std::string& command, const std::vector<std::string>& args,
                   PrivilegedCompletion completion);

// The runner that the application wires into the controller and the windows.
class HelperRunner : public PrivilegedRunner {
public:
    void run(const std::string& command, const std::vector<std::string>& args,
             PrivilegedCompletion completion) override;
    void runReporting(const std::string& command, const std::vector<std::string>& args,
                      ReportingCompletion completion) override;
};

}  // namespace tarvex
