#pragma once

#include <memory>
#include <string>
#include <vector>

#include "monitor/privileged/PrivilegedRunner.h"
#include "shared/HelperProtocol.h"

namespace tarvex {

// Connects to the helper's socket (HELPER_SOCKET_PATH) and answers a proxy for it, or nullptr
// when no connection can be made. The proxy's execute() returns at once; the exchange runs on a
// thread of its own and `withReply` is called there, exactly once. A connection that breaks
// before the helper's reply has arrived is logged as "XPC error: " and the reason, and answered
// with (false, CONNECTION_LOST).
std::unique_ptr<TarvexHelperProtocol> helperProxy();

// Sends one command through the helper. Returns at once; `completion` runs exactly once, later,
// on the main thread: with the helper's reply unchanged, (false, CANNOT_CONNECT) when the
// helper cannot be reached, or (false, CONNECTION_LOST) when the connection breaks. Called on
// the main thread; nothing is delivered once the application object is gone.
void runPrivileged(const std::string& command, const std::vector<std::string>& args,
                   PrivilegedCompletion completion);

// The runner that the application wires into the controller and the windows.
class HelperRunner : public PrivilegedRunner {
public:
    void run(const std::string& command, const std::vector<std::string>& args,
             PrivilegedCompletion completion) override;
};

}  // namespace tarvex
