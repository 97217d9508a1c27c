#pragma once

#include <chrono>
#include <cstddef>
#include <memory>

#include "helper/Connection.h"
#include "helper/Helper.h"

namespace tarvex {

struct HelperServerState;

struct ServerLimits {
    ConnectionLimits connection;
    // Connections served at once; further ones wait in the listen backlog.
    std::size_t maxConnections = 64;
    // Each thread runs one request at a time and the tool's pipe loop: a small stack will do,
    // and keeps 64 threads cheap.
    std::size_t threadStackSize = 256 * 1024;
};

// Accepts connections on a listening socket and serves each on a thread of its own. Threads
// wait in accept themselves and are reused, so a client is served by the thread that took it;
// at most `maxConnections` exist, and further clients wait in the listen backlog.
class HelperServer {
public:
    HelperServer(Helper& helper, int listeningFd, ServerLimits limits = {});
    ~HelperServer();
    HelperServer(const HelperServer&) = delete;
    HelperServer& operator=(const HelperServer&) = delete;

    // False when the server could not set itself up; the reason is in `error()`.
    bool ready() const;
    const char* error() const;

    // Serves until stop is requested; false when it could not start serving. When it returns,
    // no thread touches the listening socket any more, which it leaves open.
    bool run();

    // Makes `run` return soon. Async-signal-safe: a signal handler may call it.
    void requestStop();

    // After run: waits until every connection has been answered and every thread has left, at
    // most `grace`; true when none is left.
    bool waitForIdle(std::chrono::milliseconds grace);

    // Connections being served right now.
    std::size_t activeConnections() const;

private:
    std::shared_ptr<HelperServerState> state_;  // shared with the threads, which may outlive us
    const char* error_ = nullptr;
};

}  // namespace tarvex
