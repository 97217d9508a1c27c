#pragma once

// The helper server's shared state and its event loop; only HelperServer.cpp and
// ServerLoop.cpp use this.

#include <sys/types.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "helper/HelperServer.h"
#include "helper/Poller.h"
#include "helper/StatusMerger.h"
#include "helper/WorkerPool.h"
#include "shared/WireFormat.h"

namespace tarvex::server {

using Clock = std::chrono::steady_clock;
using Id = std::uint64_t;

// Poller tokens of the loop's own descriptors; connections count from FIRST_CONNECTION.
inline constexpr Id LISTENER = 0;
inline constexpr Id STOP = 1;
inline constexpr Id WAKE = 2;
inline constexpr Id FIRST_CONNECTION = 16;
inline constexpr std::size_t READ_CHUNK = 65536;

// One encoded reply, shared by every connection it answers. Once a client could not take it
// at once it counts in the bytes held for slow readers, until the last of them lets go.
struct Frame {
    std::string bytes;
    std::size_t* heldBytes = nullptr;  // the counter it is in, if any
    Frame() = default;
    Frame(const Frame&) = delete;
    Frame& operator=(const Frame&) = delete;
    ~Frame() {
        if (heldBytes != nullptr) {
            *heldBytes -= bytes.size();
        }
    }
};
using FramePtr = std::shared_ptr<Frame>;

inline FramePtr makeFrame(bool success, std::string output) {
    auto frame = std::make_shared<Frame>();
    frame->bytes = encodeReply(HelperReply{success, std::move(output)});
    return frame;
}

struct Connection {
    enum class Phase { receiving, waiting, writing };
    int fd = -1;
    Caller caller;
    Phase phase = Phase::receiving;
    Clock::time_point deadline;
    RequestReceiver receiver;
    FramePtr reply;
    std::size_t sent = 0;
    bool countsRun = false;
};

// What a worker hands back to the loop.
struct Completion {
    std::vector<Id> ids;  // empty for a status run: the merger knows its waiters
    bool status = false;
    FramePtr frame;
};

}  // namespace tarvex::server

namespace tarvex {

struct HelperServerState {
    using Id = server::Id;
    using Connection = server::Connection;
    using Completion = server::Completion;
    Helper& helper;
    int listeningFd;
    ServerLimits limits;
    uid_t exemptUid;
    int stopPipe[2] = {-1, -1};  // readable from the first stop request on, never drained
    int wakePipe[2] = {-1, -1};  // a worker finished: completions are waiting
    WorkerPool workers;

    std::mutex mutex;
    std::condition_variable changed;
    std::vector<Completion> completions;  // guarded by mutex
    bool listenerReleased = false;        // guarded by mutex
    bool loopDone = false;                // guarded by mutex
    std::size_t activeRuns = 0;           // guarded by mutex
    std::size_t runsStarted = 0;          // guarded by mutex
    std::size_t awaiting = 0;             // complete requests not answered yet; guarded by mutex

    // Loop thread only.
    std::size_t heldBytes = 0;  // declared before `connections`, whose frames count in it
    Poller poller;
    std::unordered_map<Id, Connection> connections;
    Id nextId = server::FIRST_CONNECTION;
    std::unordered_map<uid_t, std::size_t> receivingByUid, connectionsByUid, runsByUid;
    StatusMerger statusRuns;
    bool accepting = true;
    server::Clock::time_point
        acceptPausedUntil;  // out of descriptors: the listener rests until then

    HelperServerState(Helper& h, int fd, ServerLimits l)
        : helper(h),
          listeningFd(fd),
          limits(l),
          exemptUid(h.helperUid()),
          workers(l.maxRuns, l.threadStackSize) {}
    ~HelperServerState() {
        for (int fd : {stopPipe[0], stopPipe[1], wakePipe[0], wakePipe[1]}) {
            if (fd >= 0) {
                close(fd);
            }
        }
    }
    bool limited(const Caller& caller) const { return caller.uid != exemptUid || !caller.known; }
};

namespace server {
// Serves until stopped and every connection is answered; run on a thread of its own.
void runLoop(const std::shared_ptr<HelperServerState>& state);
void stopAccepting(HelperServerState& state);
}  // namespace server

}  // namespace tarvex
