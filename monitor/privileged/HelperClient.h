#pragma once

#include <chrono>

#include "monitor/privileged/PrivilegedRunner.h"

namespace tarvex {

// How long a connection may take to be accepted before the helper counts as unreachable.
inline constexpr std::chrono::milliseconds HELPER_CONNECT_TIMEOUT{2000};

// The runner that the application wires into the controller and the windows. Each request goes
// to the helper's socket (HELPER_SOCKET_PATH) on a connection of its own, on the calling
// thread's event loop: it never blocks. The completion is released unrun if the application
// object goes first. A broken connection is logged as "XPC error: " and the reason. There is no
// limit on how long the helper may take to reply (a tool may run long).
class HelperRunner : public PrivilegedRunner {
public:
    void runPrivileged(const QString& command, HelperAnswerHandler completion) override;
};

}  // namespace tarvex
