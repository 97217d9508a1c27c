#pragma once

// The helper server's shared state and its event loop; only the Server*.cpp files and
// HelperServer.cpp use this.

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
#include "helper/SubordinateUids.h"
#include "helper/WorkerPool.h"
#include "shared/WireFormat.h"
#include "shared/base/FixedPaths.h"

namespace tarvex::server {

using Clock = std::chrono::steady_clock;
using Id = std::uint64_t;

// Poller tokens of the loop's own descriptors; connections count from FIRST_CONNECTION.
inline constexpr Id LISTENER = 0;
inline constexpr Id STOP = 1;
inline constexpr Id WAKE = 2;
inline constexpr Id FIRST_CONNECTION = 16;
inline constexpr std::size_t READ_CHUNK = 4096;  // more than a whole request

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
    Caller caller;  // its `account` says whose shares it counts in
    Phase phase = Phase::receiving;
    Clock::time_point deadline;
    RequestReceiver receiver;
    FramePtr reply;
    std::size_t sent = 0;
    bool countsPending = false;  // in its account's requests being checked or run
    std::size_t heldCharge = 0;  // reply bytes counted in its account's share
};

// What one account holds now.
struct AccountUse {
    std::size_t connections = 0;
    std::size_t receiving = 0;
    std::size_t pending = 0;
    std::size_t heldBytes = 0;
};

// What a worker hands back to the loop.
struct Completion {
    enum class Lane { status, check, run };
    Lane lane = Lane::run;
    Id id = 0;  // check and run: the connection; a status run's waiters are the merger's
    Caller caller;
    std::string command;  // a check's, to run once it has passed
    FramePtr frame;       // the reply; none for a check that passed
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
    WorkerPool statusLane;
    WorkerPool checkLane;
    WorkerPool runLane;

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
    std::unordered_map<uid_t, server::AccountUse> accounts;  // only accounts holding something
    std::size_t checksWaiting = 0;
    SubordinateUids subordinates{SUBORDINATE_UIDS};
    StatusMerger statusRuns;
    bool accepting = true;
    server::Clock::time_point
        acceptPausedUntil;  // out of descriptors: the listener rests until then

    HelperServerState(Helper& h, int fd, ServerLimits l)
        : helper(h),
          listeningFd(fd),
          limits(l),
          exemptUid(h.helperUid()),
          // Status runs come every few seconds from every monitor: their thread stays. The
          // others are rare, and an idle thread keeps the pages of its stack.
          statusLane(1, l.threadStackSize, 1),
          checkLane(l.maxChecks, l.threadStackSize, 0),
          runLane(l.maxRuns, l.threadStackSize, 0) {}
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
using State = HelperServerState;

inline void countAwaiting(State& state, int change) {
    std::lock_guard lock(state.mutex);
    state.awaiting = static_cast<std::size_t>(static_cast<long long>(state.awaiting) + change);
}

// ServerLoop.cpp: serves until stopped and every connection is answered, on a thread of its own.
void runLoop(const std::shared_ptr<State>& state);
void stopAccepting(State& state);
void closeConnection(State& state, Id id);
// Moves the connection on to writing `frame`, which it may share with others.
void startReply(State& state, Id id, FramePtr frame);

// ServerBudget.cpp: what each account and all of them together hold.
AccountUse& useOf(State& state, const Connection& connection);
// Whether a new connection of `caller` may be kept (it may close another to make room).
bool admitConnection(State& state, const Caller& caller);
// Gives back what the connection's current phase holds in its account's shares.
void leavePhase(State& state, Connection& connection);
// Gives back all it holds, when it is closed.
void releaseConnection(State& state, Connection& connection);
// A reply the client did not take at once is held: false when that is beyond a bound.
bool holdReply(State& state, Connection& connection);

// ServerLanes.cpp: a complete request goes on its way; what the workers hand back.
void dispatch(const std::shared_ptr<State>& shared, Id id);
void takeCompletions(const std::shared_ptr<State>& shared);
}  // namespace server

}  // namespace tarvex
