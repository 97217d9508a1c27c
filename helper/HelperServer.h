#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstddef>
#include <memory>

#include "helper/Helper.h"

namespace tarvex {

struct HelperServerState;

struct ServerLimits {
    // The whole request must arrive within this time, or the client is dropped unanswered.
    std::chrono::milliseconds requestTimeout{10000};
    // Writing the reply may take this long at most; a client that stops reading is dropped.
    std::chrono::milliseconds replyTimeout{30000};
    // Tool runs (and the authorization checks before them) at once; more wait their turn.
    std::size_t maxRuns = 64;
    // Per account other than the helper's own: connections still sending their request, all
    // open connections, and runs asked for but not yet answered. A connection beyond any of
    // them is closed at once, so one account can neither starve the others nor fill the
    // listen backlog.
    std::size_t maxReceivingPerUid = 16;
    std::size_t maxConnectionsPerUid = 64;
    std::size_t maxRunsPerUid = 4;
    // Reply bytes held for clients that do not read them fast enough, all clients together;
    // a client whose reply would go beyond this is dropped. One reply shared by many status
    // callers counts once.
    std::size_t maxHeldReplyBytes = 64u * 1024u * 1024u;
    // Workers run one request each and the tool's pipe loop: a small stack will do.
    std::size_t threadStackSize = 256 * 1024;
};

// Serves the listening socket: one thread runs an event loop that accepts connections and
// receives requests, so that a client still sending holds no worker; a complete request that
// needs the tool goes to a worker (at most `maxRuns`), and the loop writes the reply. Status
// requests share runs (see StatusMerger).
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
    // nothing touches the listening socket any more, which it leaves open; connections already
    // accepted are still served.
    bool run();

    // Makes `run` return soon. Async-signal-safe: a signal handler may call it.
    void requestStop();

    // After run: waits until every connection has been answered and every thread has left, at
    // most `grace`; true when none is left.
    bool waitForIdle(std::chrono::milliseconds grace);

    // Tool runs in progress or waiting for a worker, tool runs started so far, and complete
    // requests not answered yet.
    std::size_t activeRuns() const;
    std::size_t runsStarted() const;
    std::size_t awaitingReply() const;

private:
    std::shared_ptr<HelperServerState> state_;  // shared with the threads, which may outlive us
    const char* error_ = nullptr;
};

}  // namespace tarvex
