#include "helper/HelperServer.h"

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <condition_variable>
#include <mutex>
#include <new>

#include "shared/base/ProcessRunner.h"

namespace tarvex {

namespace {

// Workers kept waiting for the next client. Two keep a steady stream of single requests from
// ever waiting for a thread to be created; more only cost memory.
constexpr std::size_t IDLE_WORKERS_KEPT = 2;

bool makeStopPipe(int fds[2]) {
    if (pipe(fds) != 0) {
        return false;
    }
    for (int i = 0; i < 2; ++i) {
        if (!setCloseOnExec(fds[i]) || fcntl(fds[i], F_SETFL, O_NONBLOCK) != 0) {
            close(fds[0]);
            close(fds[1]);
            fds[0] = fds[1] = -1;
            return false;
        }
    }
    return true;
}

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

// Shared by the server and its workers; a worker keeps it alive until it has left.
struct HelperServerState {
    Helper& helper;
    int listeningFd;
    ServerLimits limits;
    int stopPipe[2] = {-1, -1};  // readable from the first stop request on, never drained

    std::mutex acceptTurn;  // one idle worker waits on the listener at a time, no stampede
    std::mutex mutex;
    std::condition_variable changed;
    std::size_t workers = 0;  // threads alive
    std::size_t idle = 0;     // of those, waiting for a client
    std::size_t active = 0;   // of those, serving one
    bool stopping = false;

    HelperServerState(Helper& h, int fd, ServerLimits l) : helper(h), listeningFd(fd), limits(l) {}
    ~HelperServerState() {
        for (int fd : stopPipe) {
            if (fd >= 0) {
                close(fd);
            }
        }
    }
};

namespace {

bool startWorker(const std::shared_ptr<HelperServerState>& state);

// Waits for a client; -1 when the worker should leave (stop, or the listener is unusable).
int awaitClient(HelperServerState& state) {
    std::lock_guard turn(state.acceptTurn);
    for (;;) {
        pollfd fds[2] = {{state.stopPipe[0], POLLIN, 0}, {state.listeningFd, POLLIN, 0}};
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            return -1;
        }
        if (fds[0].revents != 0 || (fds[1].revents & (POLLERR | POLLNVAL)) != 0) {
            return -1;
        }
        const int fd = acceptConnection(state.listeningFd);
        if (fd >= 0) {
            return fd;
        }
        if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM) {
            // Out of descriptors: back off briefly rather than spin on a ready listener.
            poll(fds, 1, 100);
        } else if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR &&
                   errno != ECONNABORTED) {
            return -1;
        }
        // Otherwise the client gave up before we took it.
    }
}

// Accounts for a worker that took a client; answers whether a new idle worker is wanted so
// that the next client is accepted while this one is served.
bool takeClient(HelperServerState& state) {
    std::lock_guard lock(state.mutex);
    --state.idle;
    ++state.active;
    if (state.idle == 0 && state.workers < state.limits.maxConnections && !state.stopping) {
        ++state.workers;
        ++state.idle;
        return true;
    }
    return false;
}

// Accounts for a finished client; answers whether this worker should wait for another.
bool finishClient(HelperServerState& state) {
    bool stay = false;
    {
        std::lock_guard lock(state.mutex);
        --state.active;
        stay = !state.stopping && state.idle < IDLE_WORKERS_KEPT;
        if (stay) {
            ++state.idle;
        } else {
            --state.workers;
        }
    }
    state.changed.notify_all();
    return stay;
}

void serveOne(HelperServerState& state, int fd) {
    try {
        const Caller caller = identifyCaller(fd);
        if (state.helper.listener(caller)) {
            serveConnection(fd, caller, state.helper, state.limits.connection);
            return;
        }
    } catch (...) {
        // Out of memory while serving: the client sees the connection close without a reply.
    }
    close(fd);
}

void* workerThread(void* argument) {
    auto* owned = static_cast<std::shared_ptr<HelperServerState>*>(argument);
    const std::shared_ptr<HelperServerState> state = std::move(*owned);
    delete owned;
    for (;;) {
        const int fd = awaitClient(*state);
        if (fd < 0) {
            {
                std::lock_guard lock(state->mutex);
                --state->idle;
                --state->workers;
            }
            state->changed.notify_all();
            return nullptr;
        }
        if (takeClient(*state) && !startWorker(state)) {
            std::lock_guard lock(state->mutex);
            --state->idle;
            --state->workers;
        }
        serveOne(*state, fd);
        if (!finishClient(*state)) {
            return nullptr;
        }
    }
}

// Starts a worker already counted as alive and idle.
bool startWorker(const std::shared_ptr<HelperServerState>& state) {
    pthread_attr_t attributes;
    if (pthread_attr_init(&attributes) != 0) {
        return false;
    }
    pthread_attr_setdetachstate(&attributes, PTHREAD_CREATE_DETACHED);
    pthread_attr_setstacksize(&attributes, state->limits.threadStackSize);
    // No exception may leave a worker: out of memory here just means no new worker.
    auto* argument = new (std::nothrow) std::shared_ptr<HelperServerState>(state);
    pthread_t thread;
    const bool started =
        argument != nullptr && pthread_create(&thread, &attributes, &workerThread, argument) == 0;
    pthread_attr_destroy(&attributes);
    if (!started) {
        delete argument;
    }
    return started;
}

}  // namespace

HelperServer::HelperServer(Helper& helper, int listeningFd, ServerLimits limits)
    : state_(std::make_shared<HelperServerState>(helper, listeningFd, limits)) {
    if (!makeStopPipe(state_->stopPipe)) {
        error_ = "Cannot create the helper's stop pipe";
        return;
    }
    // A client that gives up between poll and accept must not leave a worker blocked in accept.
    const int flags = fcntl(listeningFd, F_GETFL);
    if (flags < 0 || fcntl(listeningFd, F_SETFL, flags | O_NONBLOCK) != 0) {
        error_ = "The listening socket is not usable";
    }
}

HelperServer::~HelperServer() = default;

bool HelperServer::ready() const {
    return error_ == nullptr;
}

const char* HelperServer::error() const {
    return error_;
}

std::size_t HelperServer::activeConnections() const {
    std::lock_guard lock(state_->mutex);
    return state_->active;
}

void HelperServer::requestStop() {
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = write(state_->stopPipe[1], &byte, 1);  // full: stopped
    errno = saved;
}

bool HelperServer::waitForIdle(std::chrono::milliseconds grace) {
    std::unique_lock lock(state_->mutex);
    return state_->changed.wait_for(lock, grace, [this] { return state_->workers == 0; });
}

bool HelperServer::run() {
    if (!ready()) {
        return false;
    }
    {
        std::lock_guard lock(state_->mutex);
        ++state_->workers;
        ++state_->idle;
    }
    if (!startWorker(state_)) {
        std::lock_guard lock(state_->mutex);
        --state_->workers;
        --state_->idle;
        error_ = "Cannot start a worker thread";
        return false;
    }
    pollfd stop{state_->stopPipe[0], POLLIN, 0};
    while (poll(&stop, 1, -1) < 0 && errno == EINTR) {
    }
    // Idle workers see the same stop and leave; once they have, nobody touches the listening
    // socket any more and the caller may close it. Busy workers finish their client first.
    std::unique_lock lock(state_->mutex);
    state_->stopping = true;
    state_->changed.wait(lock, [this] { return state_->idle == 0; });
    return true;
}

}  // namespace tarvex
