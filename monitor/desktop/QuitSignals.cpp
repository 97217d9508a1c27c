#include "monitor/desktop/QuitSignals.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QSocketNotifier>

#include <cerrno>
#include <cstring>

namespace tarvex {

namespace {

// The write end for the handler; -1 while no watcher is watching.
volatile std::sig_atomic_t signalWriteEnd = -1;

// Async-signal-safe: one write(2) and errno put back as it was.
void forwardSignal(int signalNumber) {
    const int savedErrno = errno;
    const int fd = signalWriteEnd;
    if (fd >= 0) {
        const auto byte = static_cast<unsigned char>(signalNumber);
        // When the socket is full a wake-up is already pending, so a lost byte loses nothing.
        [[maybe_unused]] const ssize_t written = ::write(fd, &byte, 1);
    }
    errno = savedErrno;
}

// Close-on-exec so that the tool and the terminal never inherit it; non-blocking so that
// neither the handler nor the reader can hang on it.
bool prepareDescriptor(int fd) {
    const int descriptorFlags = ::fcntl(fd, F_GETFD);
    const int statusFlags = ::fcntl(fd, F_GETFL);
    return descriptorFlags >= 0 && statusFlags >= 0 &&
           ::fcntl(fd, F_SETFD, descriptorFlags | FD_CLOEXEC) == 0 &&
           ::fcntl(fd, F_SETFL, statusFlags | O_NONBLOCK) == 0;
}

}  // namespace

QuitSignalWatcher::QuitSignalWatcher(std::function<void(int signalNumber)> onSignal)
    : onSignal_(std::move(onSignal)) {
    if (signalWriteEnd != -1) {
        error_ = "another watcher is already watching";
        return;
    }
    int ends[2] = {-1, -1};
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, ends) != 0) {
        error_ = std::string("socketpair: ") + std::strerror(errno);
        return;
    }
    readEnd_ = ends[0];
    writeEnd_ = ends[1];
    if (!prepareDescriptor(readEnd_) || !prepareDescriptor(writeEnd_)) {
        error_ = std::string("fcntl: ") + std::strerror(errno);
        closeSockets();
        return;
    }

    notifier_ = std::make_unique<QSocketNotifier>(readEnd_, QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(),
                     [this] { readPendingSignals(); });

    signalWriteEnd = writeEnd_;
    struct sigaction action {};
    action.sa_handler = forwardSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;  // system calls on the main thread carry on after the write
    const bool termSet = ::sigaction(SIGTERM, &action, &previousTerm_) == 0;
    if (!termSet || ::sigaction(SIGINT, &action, &previousInt_) != 0) {
        error_ = std::string("sigaction: ") + std::strerror(errno);
        if (termSet) {
            ::sigaction(SIGTERM, &previousTerm_, nullptr);
        }
        signalWriteEnd = -1;
        notifier_.reset();
        closeSockets();
        return;
    }
    watching_ = true;
}

QuitSignalWatcher::~QuitSignalWatcher() {
    if (watching_) {
        // Handlers first, so that no signal arrives to find its socket closed.
        ::sigaction(SIGTERM, &previousTerm_, nullptr);
        ::sigaction(SIGINT, &previousInt_, nullptr);
        signalWriteEnd = -1;
    }
    notifier_.reset();
    closeSockets();
}

void QuitSignalWatcher::readPendingSignals() {
    // Several signals may have come in since the last look; one call answers them all.
    int last = 0;
    unsigned char buffer[64];
    for (;;) {
        const ssize_t got = ::read(readEnd_, buffer, sizeof buffer);
        if (got > 0) {
            last = buffer[got - 1];
        } else if (got < 0 && errno == EINTR) {
            continue;
        } else {
            break;  // drained (EAGAIN), or the other end is gone
        }
    }
    if (last != 0 && onSignal_) {
        onSignal_(last);
    }
}

void QuitSignalWatcher::closeSockets() {
    for (int* fd : {&readEnd_, &writeEnd_}) {
        if (*fd >= 0) {
            ::close(*fd);
            *fd = -1;
        }
    }
}

}  // namespace tarvex
