#include "helper/HelperServer.h"

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <condition_variable>
#include <mutex>

#include "shared/ProcessRunner.h"

namespace tarvex {

namespace {

bool makeWakePipe(int fds[2]) {
    if (pipe(fds) != 0) {
        return false;
    }
    for (int i = 0; i < 2; ++i) {
        if (!setCloseOnExec(fds[i]) || fcntl(fds[i], F_SETFL, O_NONBLOCK) != 0) {
            close(fds[0]);
            close(fds[1]);
            return false;
        }
    }
    return true;
}

void drainPipe(int fd) {
    char buffer[64];
    while (read(fd, buffer, sizeof buffer) > 0) {
    }
}

void poke(int fd) {
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = write(fd, &byte, 1);  // a full pipe is awake already
    errno = saved;
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

struct HelperServerState {
    int stopPipe[2] = {-1, -1};
    int slotPipe[2] = {-1, -1};  // a byte whenever a connection finishes
    const char* error = nullptr;
    mutable std::mutex mutex;
    std::condition_variable idle;
    std::size_t active = 0;

    ~HelperServerState() {
        for (int fd : {stopPipe[0], stopPipe[1], slotPipe[0], slotPipe[1]}) {
            if (fd >= 0) {
                close(fd);
            }
        }
    }

    void finishConnection() {
        {
            std::lock_guard lock(mutex);
            --active;
        }
        idle.notify_all();
        poke(slotPipe[1]);
    }
};

namespace {

struct ConnectionJob {
    int fd;
    Helper* helper;
    ConnectionLimits limits;
    std::shared_ptr<HelperServerState> state;  // outlives the server if need be
};

void* connectionThread(void* argument) {
    ConnectionJob* job = static_cast<ConnectionJob*>(argument);
    try {
        serveConnection(job->fd, *job->helper, job->limits);
    } catch (...) {
        // Out of memory while serving: the client sees the connection close without a reply.
        close(job->fd);
    }
    job->state->finishConnection();
    delete job;
    return nullptr;
}

}  // namespace

HelperServer::HelperServer(Helper& helper, int listeningFd, ServerLimits limits)
    : helper_(helper),
      listeningFd_(listeningFd),
      limits_(limits),
      state_(std::make_shared<HelperServerState>()) {
    if (!makeWakePipe(state_->stopPipe) || !makeWakePipe(state_->slotPipe)) {
        state_->error = "Cannot create the helper's wake-up pipes";
        return;
    }
    // A connection reset between poll and accept must not block the loop.
    const int flags = fcntl(listeningFd_, F_GETFL);
    if (flags < 0 || fcntl(listeningFd_, F_SETFL, flags | O_NONBLOCK) != 0) {
        state_->error = "The listening socket is not usable";
    }
}

HelperServer::~HelperServer() = default;

bool HelperServer::ready() const {
    return state_->error == nullptr;
}

const char* HelperServer::error() const {
    return state_->error;
}

std::size_t HelperServer::activeConnections() const {
    std::lock_guard lock(state_->mutex);
    return state_->active;
}

void HelperServer::requestStop() {
    poke(state_->stopPipe[1]);
}

bool HelperServer::waitForIdle(std::chrono::milliseconds grace) {
    std::unique_lock lock(state_->mutex);
    return state_->idle.wait_for(lock, grace, [this] { return state_->active == 0; });
}

void HelperServer::run() {
    if (!ready()) {
        return;
    }
    for (;;) {
        const bool full = activeConnections() >= limits_.maxConnections;
        // While all slots are taken, wait for one to free up instead of accepting.
        pollfd fds[2] = {{state_->stopPipe[0], POLLIN, 0},
                         {full ? state_->slotPipe[0] : listeningFd_, POLLIN, 0}};
        const int ready = poll(fds, 2, -1);
        if (ready < 0) {
            if (errno == EINTR) {
                continue;
            }
            return;
        }
        if (fds[0].revents != 0) {
            drainPipe(state_->stopPipe[0]);
            return;
        }
        if (full) {
            drainPipe(state_->slotPipe[0]);
        } else if (fds[1].revents != 0) {
            drainPipe(state_->slotPipe[0]);
            acceptOne();
        }
    }
}

void HelperServer::acceptOne() {
    const int fd = acceptConnection(listeningFd_);
    if (fd < 0) {
        if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM) {
            // Out of descriptors: back off briefly rather than spin on a ready listener.
            pollfd stop{state_->stopPipe[0], POLLIN, 0};
            poll(&stop, 1, 100);
        }
        return;
    }
    if (!helper_.listener(readPeerCredentials(fd))) {
        close(fd);
        return;
    }
    if (!startConnectionThread(fd)) {
        close(fd);
    }
}

bool HelperServer::startConnectionThread(int fd) {
    {
        std::lock_guard lock(state_->mutex);
        ++state_->active;
    }
    auto* job = new ConnectionJob{fd, &helper_, limits_.connection, state_};
    pthread_attr_t attributes;
    bool started = false;
    if (pthread_attr_init(&attributes) == 0) {
        pthread_attr_setdetachstate(&attributes, PTHREAD_CREATE_DETACHED);
        pthread_attr_setstacksize(&attributes, limits_.threadStackSize);
        pthread_t thread;
        started = pthread_create(&thread, &attributes, &connectionThread, job) == 0;
        pthread_attr_destroy(&attributes);
    }
    if (!started) {
        delete job;
        std::lock_guard lock(state_->mutex);
        --state_->active;
    }
    return started;
}

}  // namespace tarvex
