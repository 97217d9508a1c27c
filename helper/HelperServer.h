#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstddef>
#include <memory>

#include "helper/Helper.h"

namespace tarvex {

struct HelperServerState;

// What the helper holds at most, whatever the number of accounts asking. The totals bound the
// helper; each account's share keeps one account from taking all of a total.
struct ServerLimits {
    // The whole request must arrive within this time, or the client is dropped unanswered.
    std::chrono::milliseconds requestTimeout{10000};
    // Writing the reply may take this long at most; a client that stops reading is dropped.
    std::chrono::milliseconds replyTimeout{30000};
    // Open connections of all accounts together: a descriptor each, and while a request is being
    // received at most MAX_REQUEST_BYTES of it. When all are taken, a newcomer whose account
    // holds fewer connections still sending than the account holding the most makes room: that
    // account's oldest such connection is closed. So an account asking now gets in however many
    // accounts hold their shares.
    std::size_t maxConnections = 4096;
    // Tool runs other than status at once; more wait their turn. Status has a lane of its own
    // with one run in flight, so that it never waits behind these or behind the checks.
    std::size_t maxRuns = 64;
    // Authorization checks waiting for the authority (a password may be being typed), all
    // accounts together; a request beyond them is refused as "authorization unavailable".
    std::size_t maxChecks = 64;
    // Reply bytes held for clients that do not read them fast enough, all clients together;
    // a client whose reply would go beyond this is dropped. One reply shared by many status
    // callers counts once.
    std::size_t maxHeldReplyBytes = 64u * 1024u * 1024u;
    // Each account's share, the helper's own account excepted: connections still sending
    // their request and all open connections (1/256 and 1/64 of the connections), requests
    // other than status being checked or run (1/16 of the checks), and reply bytes held for
    // its clients (half the total, each client counting the whole reply it holds). A
    // connection beyond any of them is closed at once, unanswered. They stay the same when
    // fewer descriptors allow fewer connections: making room, above, keeps that fair.
    std::size_t maxReceivingPerUid = 16;
    std::size_t maxConnectionsPerUid = 64;
    std::size_t maxRunsPerUid = 4;
    std::size_t maxHeldReplyBytesPerUid = 32u * 1024u * 1024u;
    // Workers run one request each and the tool's pipe loop: a small stack will do.
    std::size_t threadStackSize = 256 * 1024;

    // The descriptors these limits can need at once: one per connection, and a reserve for
    // the helper's own, accepting, and the pipes of every run, check and status run there
    // can be, so that the tool can always be started.
    std::size_t descriptorsNeeded() const;
};

// The defaults, with no more connections than `descriptors` leave room for after the reserve.
ServerLimits limitsForDescriptors(std::size_t descriptors);

// Serves the listening socket: one thread runs an event loop that accepts connections and
// receives requests, so that a client still sending holds no worker. A complete request goes
// to one of three lanes of workers: status runs (shared by every caller waiting, see
// StatusMerger), authorization checks, and the other tool runs; the loop writes the reply.
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

    // Checks and tool runs in progress or waiting for a worker, tool runs started so far, and
    // complete requests not answered yet.
    std::size_t activeRuns() const;
    std::size_t runsStarted() const;
    std::size_t awaitingReply() const;

private:
    std::shared_ptr<HelperServerState> state_;  // shared with the threads, which may outlive us
    const char* error_ = nullptr;
};

}  // namespace tarvex
