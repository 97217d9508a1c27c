#include "helper/Caller.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

// Older headers lack it; the number is the same on every architecture that uses the generic
// socket options. Elsewhere the option stays unknown and the start time alone pins the caller.
#if !defined(SO_PEERPIDFD) && (defined(__x86_64__) || defined(__i386__) || defined(__aarch64__) || \
                               defined(__arm__) || defined(__riscv))
#define SO_PEERPIDFD 77
#endif

namespace tarvex {

namespace {

// The peer's pidfd, or -1 where the kernel (or the headers) have none.
int peerPidfd(int fd) {
#ifdef SO_PEERPIDFD
    int pidfd = -1;
    socklen_t size = sizeof pidfd;
    if (getsockopt(fd, SOL_SOCKET, SO_PEERPIDFD, &pidfd, &size) == 0 && size == sizeof pidfd) {
        // The kernel makes it close-on-exec already; this only makes sure.
        if (pidfd >= 0) {
            fcntl(pidfd, F_SETFD, FD_CLOEXEC);
        }
        return pidfd;
    }
#else
    (void)fd;
#endif
    return -1;
}

// A pidfd turns readable once its process has exited.
bool stillAlive(int pidfd) {
    pollfd pfd{pidfd, POLLIN, 0};
    return poll(&pfd, 1, 0) == 0;
}

// The start time of `pid`, if that process still belongs to `uid`: should the caller have
// exited and its pid gone to another account's process, nothing is answered.
std::uint64_t readStartTime(pid_t pid, uid_t uid) {
    const std::string path = "/proc/" + std::to_string(pid) + "/stat";
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return 0;
    }
    struct stat info {};
    char buffer[1024];  // the fields up to 22 fit well within this, whatever the name
    const ssize_t n =
        fstat(fd, &info) == 0 && info.st_uid == uid ? read(fd, buffer, sizeof buffer) : -1;
    close(fd);
    if (n <= 0) {
        return 0;
    }
    return parseProcessStartTime(std::string_view(buffer, static_cast<std::size_t>(n))).value_or(0);
}

}  // namespace

Caller identifyCaller(int fd) {
    Caller caller;
    ucred credentials{};
    socklen_t size = sizeof credentials;
    if (getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &credentials, &size) == 0 &&
        size == sizeof credentials) {
        caller.known = true;
        caller.uid = credentials.uid;
        caller.gid = credentials.gid;
        caller.pid = credentials.pid;
        const int pidfd = caller.pid > 0 ? peerPidfd(fd) : -1;
        if (caller.pid > 0) {
            caller.startTime = readStartTime(caller.pid, caller.uid);
        }
        if (pidfd >= 0) {
            // Gone before the read: the pid may name another process by now.
            if (!stillAlive(pidfd)) {
                caller.startTime = 0;
            }
            close(pidfd);
        }
    }
    return caller;
}

}  // namespace tarvex
