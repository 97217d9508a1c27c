#include "helper/ListeningSocket.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "shared/base/ProcessRunner.h"

namespace tarvex {

namespace {

std::string describe(const std::string& what, int error) {
    return what + ": " + std::strerror(error);
}

bool fillAddress(const std::string& path, sockaddr_un& address) {
    address = {};
    address.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof address.sun_path) {
        return false;
    }
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return true;
}

int newSocket() {
#ifdef SOCK_CLOEXEC
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
#else
    const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
#endif
    if (fd >= 0 && !setCloseOnExec(fd)) {
        close(fd);
        return -1;
    }
    return fd;
}

enum class Occupant { none, stale, live, other };

// Looks at what is at `path` now. A non-blocking probe, so that a live helper whose backlog is
// full still counts as live instead of making us wait.
Occupant probePath(const std::string& path, const sockaddr_un& address, std::string& error) {
    struct stat info {};
    if (lstat(path.c_str(), &info) != 0) {
        if (errno == ENOENT) {
            return Occupant::none;
        }
        error = describe("Cannot inspect " + path, errno);
        return Occupant::other;
    }
    if (!S_ISSOCK(info.st_mode)) {
        error = path + " exists and is not a socket; not replacing it";
        return Occupant::other;
    }
    const int probe = newSocket();
    if (probe < 0) {
        error = describe("Cannot create a socket", errno);
        return Occupant::other;
    }
    fcntl(probe, F_SETFL, fcntl(probe, F_GETFL) | O_NONBLOCK);
    const int rc = connect(probe, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    const int connectError = rc == 0 ? 0 : errno;
    close(probe);
    if (rc == 0 || connectError == EAGAIN || connectError == EINPROGRESS) {
        error = "Another helper is already listening on " + path;
        return Occupant::live;
    }
    if (connectError == ECONNREFUSED || connectError == ENOENT) {
        return Occupant::stale;
    }
    error = describe("Cannot check " + path, connectError);
    return Occupant::other;
}

ListeningSocket bindPath(const std::string& path) {
    ListeningSocket result;
    sockaddr_un address{};
    if (!fillAddress(path, address)) {
        result.error = "Unusable socket path: \"" + path + "\"";
        return result;
    }
    const Occupant occupant = probePath(path, address, result.error);
    if (occupant == Occupant::live || occupant == Occupant::other) {
        return result;
    }
    if (occupant == Occupant::stale && unlink(path.c_str()) != 0 && errno != ENOENT) {
        result.error = describe("Cannot remove the stale socket " + path, errno);
        return result;
    }
    const int fd = newSocket();
    if (fd < 0) {
        result.error = describe("Cannot create a socket", errno);
        return result;
    }
    if (bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        result.error = describe("Cannot bind " + path, errno);
        close(fd);
        return result;
    }
    struct stat info {};
    // Every local user's monitor must be able to connect; the helper vets requests, not users.
    if (chmod(path.c_str(), 0666) != 0 || lstat(path.c_str(), &info) != 0 ||
        listen(fd, SOMAXCONN) != 0) {
        result.error = describe("Cannot listen on " + path, errno);
        unlink(path.c_str());
        close(fd);
        return result;
    }
    result.fd = fd;
    result.boundPath = path;
    result.device = info.st_dev;
    result.inode = info.st_ino;
    return result;
}

}  // namespace

ListeningSocket acquireListeningSocket(const std::string& path) {
    if (std::optional<ListeningSocket> passed = takePassedSocket()) {
        return std::move(*passed);
    }
    return bindPath(path);
}

void releaseListeningSocket(ListeningSocket& socket) {
    if (socket.fd >= 0) {
        close(socket.fd);
        socket.fd = -1;
    }
    if (!socket.boundPath.empty()) {
        struct stat info {};
        if (lstat(socket.boundPath.c_str(), &info) == 0 && info.st_dev == socket.device &&
            info.st_ino == socket.inode) {
            unlink(socket.boundPath.c_str());
        }
        socket.boundPath.clear();
    }
}

}  // namespace tarvex
