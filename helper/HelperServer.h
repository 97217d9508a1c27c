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
    // Each connection thread runs one request and the tool's pipe loop: a small stack will do,
    // and keeps 64 threads cheap.
    std::size_t threadStackSize = 256 * 1024;
};

// Accepts connections on a listening socket and serves each on a thread of its own.
class HelperServer {
public:
    HelperServer(Helper& helper, int listeningFd, ServerLimits limits = {});
    ~HelperServer();
    HelperServer(const HelperServer&) = delete;
    HelperServer& operator=(const HelperServer&) = delete;

    // False when the server could not set itself up; the reason is in `error()`.
    bool ready() const;
    const char* error() const;

    // Serves until stop is requested. Does not close the listening socket.
    void run();

    // Makes `run` return soon. Async-signal-safe: a signal handler may call it.
    void requestStop();

    // Waits until every connection has been answered, at most `grace`; true when none is left.
    bool waitForIdle(std::chrono::milliseconds grace);

    // Connections being served right now.
    std::size_t activeConnections() const;

private:
    void acceptOne();
    bool startConnectionThread(int fd);

    Helper& helper_;
    int listeningFd_;
    ServerLimits limits_;
    std::shared_ptr<HelperServerState>
        state_;  // shared with the connection threads, which may outlive run
};

}  // namespace tarvex
