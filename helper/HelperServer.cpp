#include "helper/HelperServer.h"

#include <fcntl.h>
#include <pthread.h>
#include <unistd.h>

#include <cerrno>
#include <new>

#include "helper/ServerState.h"
#include "shared/base/ProcessRunner.h"

namespace tarvex {

namespace {

using server::Clock;
using server::LISTENER;
using server::READ_CHUNK;
using server::STOP;
using server::WAKE;

bool makePipe(int fds[2]) {
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

void* loopThread(void* argument) {
    auto* owned = static_cast<std::shared_ptr<HelperServerState>*>(argument);
    const std::shared_ptr<HelperServerState> state = std::move(*owned);
    delete owned;
    try {
        server::runLoop(state);
    } catch (...) {
        // Out of memory in the loop: stop serving, but let the program shut down in order.
        if (state->accepting) {
            server::stopAccepting(*state);
        }
        std::lock_guard lock(state->mutex);
        state->loopDone = true;
        state->changed.notify_all();
    }
    return nullptr;
}

}  // namespace

HelperServer::HelperServer(Helper& helper, int listeningFd, ServerLimits limits)
    : state_(std::make_shared<HelperServerState>(helper, listeningFd, limits)) {
    if (!makePipe(state_->stopPipe) || !makePipe(state_->wakePipe)) {
        error_ = "Cannot create the helper's pipes";
        return;
    }
    // A client that gives up between readiness and accept must not block the loop in accept.
    const int flags = fcntl(listeningFd, F_GETFL);
    if (flags < 0 || fcntl(listeningFd, F_SETFL, flags | O_NONBLOCK) != 0) {
        error_ = "The listening socket is not usable";
        return;
    }
    Poller& poller = state_->poller;
    if (!poller.ready() || !poller.add(listeningFd, LISTENER, true, false) ||
        !poller.add(state_->stopPipe[0], STOP, true, false) ||
        !poller.add(state_->wakePipe[0], WAKE, true, false)) {
        error_ = "Cannot watch the helper's descriptors";
    }
}

HelperServer::~HelperServer() = default;

bool HelperServer::ready() const {
    return error_ == nullptr;
}

const char* HelperServer::error() const {
    return error_;
}

std::size_t HelperServer::activeRuns() const {
    std::lock_guard lock(state_->mutex);
    return state_->activeRuns;
}

std::size_t HelperServer::awaitingReply() const {
    std::lock_guard lock(state_->mutex);
    return state_->awaiting;
}

std::size_t HelperServer::runsStarted() const {
    std::lock_guard lock(state_->mutex);
    return state_->runsStarted;
}

void HelperServer::requestStop() {
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = write(state_->stopPipe[1], &byte, 1);  // full: stopped
    errno = saved;
}

bool HelperServer::waitForIdle(std::chrono::milliseconds grace) {
    const auto deadline = Clock::now() + grace;
    {
        std::unique_lock lock(state_->mutex);
        if (!state_->changed.wait_until(lock, deadline, [this] { return state_->loopDone; })) {
            return false;
        }
    }
    bool gone = true;
    for (WorkerPool* lane : {&state_->statusLane, &state_->checkLane, &state_->runLane}) {
        gone = lane->waitUntilGone(deadline) && gone;
    }
    return gone;
}

bool HelperServer::run() {
    if (!ready()) {
        return false;
    }
    pthread_attr_t attributes;
    if (pthread_attr_init(&attributes) != 0) {
        error_ = "Cannot start the helper's event loop";
        return false;
    }
    pthread_attr_setdetachstate(&attributes, PTHREAD_CREATE_DETACHED);
    pthread_attr_setstacksize(&attributes, state_->limits.threadStackSize + READ_CHUNK);
    auto* argument = new (std::nothrow) std::shared_ptr<HelperServerState>(state_);
    pthread_t thread;
    const bool started =
        argument != nullptr && pthread_create(&thread, &attributes, &loopThread, argument) == 0;
    pthread_attr_destroy(&attributes);
    if (!started) {
        delete argument;
        error_ = "Cannot start the helper's event loop";
        return false;
    }
    std::unique_lock lock(state_->mutex);
    state_->changed.wait(lock, [this] { return state_->listenerReleased; });
    return true;
}

}  // namespace tarvex
