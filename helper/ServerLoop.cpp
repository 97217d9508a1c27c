#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <new>

#include "helper/ServerState.h"
#include "shared/base/ProcessRunner.h"

namespace tarvex::server {

namespace {

// Connections taken per wake-up, so that a flood of connects cannot starve the others.
constexpr int ACCEPTS_PER_TURN = 64;

#ifdef MSG_NOSIGNAL
constexpr int SEND_FLAGS = MSG_NOSIGNAL;
#else
constexpr int SEND_FLAGS = 0;  // SO_NOSIGPIPE is set on the socket instead
#endif

int acceptConnection(int listeningFd) {
#if defined(__linux__)
    return accept4(listeningFd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
#else
    const int fd = accept(listeningFd, nullptr, nullptr);
    if (fd >= 0) {
        setCloseOnExec(fd);
        fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
#ifdef SO_NOSIGPIPE
        const int one = 1;
        setsockopt(fd, SOL_SOCKET, SO_NOSIGPIPE, &one, sizeof one);
#endif
    }
    return fd;
#endif
}

}  // namespace

void closeConnection(State& state, Id id) {
    const auto found = state.connections.find(id);
    if (found == state.connections.end()) {
        return;
    }
    Connection& connection = found->second;
    releaseConnection(state, connection);
    connection.reply.reset();
    state.poller.remove(connection.fd);
    close(connection.fd);
    state.connections.erase(found);
}

namespace {

// Writes what the socket takes now; closes the connection when done or when it cannot go on.
void writeSome(State& state, Id id) {
    Connection& connection = state.connections.at(id);
    const std::string& bytes = connection.reply->bytes;
    while (connection.sent < bytes.size()) {
        const ssize_t n = send(connection.fd, bytes.data() + connection.sent,
                               bytes.size() - connection.sent, SEND_FLAGS);
        if (n > 0) {
            connection.sent += static_cast<std::size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            break;
        } else {
            closeConnection(state, id);  // the client went away; nobody is left to tell
            return;
        }
    }
    // Done, or not taken at once and the rest cannot be held within the bounds.
    if (connection.sent == bytes.size() || !holdReply(state, connection)) {
        closeConnection(state, id);
        return;
    }
    state.poller.change(connection.fd, id, false, true);
}

}  // namespace

void startReply(State& state, Id id, FramePtr frame) {
    const auto found = state.connections.find(id);
    if (found == state.connections.end()) {
        return;
    }
    Connection& connection = found->second;
    leavePhase(state, connection);
    connection.phase = Connection::Phase::writing;
    connection.deadline = Clock::now() + state.limits.replyTimeout;
    connection.reply = std::move(frame);
    writeSome(state, id);
}

namespace {

void receive(const std::shared_ptr<State>& shared, Id id) {
    State& state = *shared;
    Connection& connection = state.connections.at(id);
    char buffer[READ_CHUNK];
    for (int reads = 0; reads < 4; ++reads) {
        const ssize_t n = read(connection.fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            return;
        }
        if (n < 0) {
            closeConnection(state, id);
            return;
        }
        if (n == 0) {
            // The peer stopped sending before the frame was whole.
            startReply(state, id, makeFrame(false, std::string(MALFORMED_REQUEST)));
            return;
        }
        connection.receiver.feed(std::string_view(buffer, static_cast<std::size_t>(n)));
        if (connection.receiver.status() == DecodeStatus::malformed) {
            startReply(state, id, makeFrame(false, std::string(MALFORMED_REQUEST)));
            return;
        }
        if (connection.receiver.status() == DecodeStatus::complete) {
            dispatch(shared, id);
            return;
        }
    }
}

void acceptSome(State& state) {
    for (int i = 0; i < ACCEPTS_PER_TURN; ++i) {
        const int fd = acceptConnection(state.listeningFd);
        if (fd < 0) {
            if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM) {
                // Out of descriptors: rest the listener briefly rather than spin on it.
                state.poller.remove(state.listeningFd);
                state.acceptPausedUntil = Clock::now() + std::chrono::milliseconds(100);
            }
            return;
        }
        Caller caller = identifyCaller(fd);
        if (caller.known) {
            caller.account = state.subordinates.accountOf(caller.uid);
        }
        if (!admitConnection(state, caller)) {
            close(fd);  // over its account's share, or no room: closed at once
            continue;
        }
        const Id id = state.nextId++;
        if (!state.poller.add(fd, id, true, false)) {
            close(fd);
            continue;
        }
        Connection& connection = state.connections[id];
        connection.fd = fd;
        connection.caller = caller;
        connection.deadline = Clock::now() + state.limits.requestTimeout;
        AccountUse& use = useOf(state, connection);
        ++use.receiving;
        ++use.connections;
    }
}

// Drops clients past their deadline; answers how long the loop may sleep.
int expire(State& state) {
    const auto now = Clock::now();
    std::vector<Id> late;
    auto next = Clock::time_point::max();
    for (const auto& [id, connection] : state.connections) {
        if (connection.phase == Connection::Phase::waiting) {
            continue;  // the check and the run have time limits of their own
        }
        if (connection.deadline <= now) {
            late.push_back(id);
        } else {
            next = std::min(next, connection.deadline);
        }
    }
    for (Id id : late) {
        closeConnection(state, id);
    }
    if (state.accepting && state.acceptPausedUntil != Clock::time_point{}) {
        if (state.acceptPausedUntil <= now) {
            state.acceptPausedUntil = {};
            state.poller.add(state.listeningFd, LISTENER, true, false);
        } else {
            next = std::min(next, state.acceptPausedUntil);
        }
    }
    if (const auto summaries = state.helper.flushAudit()) {
        next = std::min(next, *summaries);
    }
    if (next == Clock::time_point::max()) {
        return -1;
    }
    const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(next - now).count();
    return static_cast<int>(std::clamp<long long>(wait + 1, 1, 60000));
}

}  // namespace

void stopAccepting(State& state) {
    state.poller.remove(state.listeningFd);
    state.acceptPausedUntil = {};
    state.poller.remove(state.stopPipe[0]);
    state.accepting = false;
    std::lock_guard lock(state.mutex);
    state.listenerReleased = true;
    state.changed.notify_all();
}

namespace {

bool runsInFlight(State& state) {
    std::lock_guard lock(state.mutex);
    return state.activeRuns > 0 || !state.completions.empty();
}

}  // namespace

void runLoop(const std::shared_ptr<State>& shared) {
    State& state = *shared;
    std::vector<Poller::Event> events;
    while (state.accepting || !state.connections.empty() || runsInFlight(state)) {
        const int timeout = expire(state);
        if (!state.poller.wait(timeout, events)) {
            break;  // the poller itself failed: nothing more can be served
        }
        for (const Poller::Event& event : events) {
            if (event.token == STOP) {
                stopAccepting(state);
            } else if (event.token == LISTENER) {
                if (state.accepting) {
                    acceptSome(state);
                }
            } else if (event.token == WAKE) {
                takeCompletions(shared);
            } else if (const auto found = state.connections.find(event.token);
                       found != state.connections.end()) {
                const Connection::Phase phase = found->second.phase;
                if (phase == Connection::Phase::receiving) {
                    receive(shared, event.token);
                } else if (phase == Connection::Phase::writing) {
                    writeSome(state, event.token);
                } else {
                    // Hung up while its run goes on: stop watching, or the poller would report
                    // it again and again. Writing the reply will find out.
                    state.poller.remove(found->second.fd);
                }
            }
        }
    }
    for (auto it = state.connections.begin(); it != state.connections.end();) {
        closeConnection(state, (it++)->first);
    }
    if (state.accepting) {
        stopAccepting(state);
    }
    for (WorkerPool* lane : {&state.statusLane, &state.checkLane, &state.runLane}) {
        lane->shutdown();
    }
    std::lock_guard lock(state.mutex);
    state.loopDone = true;
    state.changed.notify_all();
}

}  // namespace tarvex::server
