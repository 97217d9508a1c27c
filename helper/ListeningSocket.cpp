#include "helper/ListeningSocket.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string_view>

#ifdef __APPLE__
#include <launch.h>
#endif

#include "shared/base/ProcessRunner.h"

namespace tarvex {

namespace {

constexpr int FIRST_PASSED_FD = 3;  // where service managers put the first passed socket

std::optional<long> parseNumber(const char* text) {
    if (text == nullptr) {
        return std::nullopt;
    }
    const std::string_view view(text);
    long value = 0;
    const auto [end, ec] = std::from_chars(view.data(), view.data() + view.size(), value);
    if (ec != std::errc() || end != view.data() + view.size()) {
        return std::nullopt;
    }
    return value;
}

std::string describe(const std::string& what, int error) {
    return what + ": " + std::strerror(error);
}

bool isSocket(int fd) {
    struct stat info {};
    return fstat(fd, &info) == 0 && S_ISSOCK(info.st_mode);
}

// Adopts a socket passed by systemd. Answers nullopt when none was passed to this process.
std::optional<ListeningSocket> takeSystemdSocket() {
    const std::optional<long> pid = parseNumber(std::getenv("LISTEN_PID"));
    const std::optional<long> count = parseNumber(std::getenv("LISTEN_FDS"));
    // Meant for this process or not, these must not reach the tool's environment.
    unsetenv("LISTEN_PID");
    unsetenv("LISTEN_FDS");
    unsetenv("LISTEN_FDNAMES");
    if (!pid || !count || *pid != static_cast<long>(getpid()) || *count < 1) {
        return std::nullopt;
    }
    ListeningSocket result;
    for (long i = 1; i < *count && i < 1024; ++i) {
        close(FIRST_PASSED_FD + static_cast<int>(i));  // only the first one is ours to serve
    }
    if (!isSocket(FIRST_PASSED_FD) || !setCloseOnExec(FIRST_PASSED_FD)) {
        result.error = "The service manager passed no usable socket";
        return result;
    }
    result.fd = FIRST_PASSED_FD;
    return result;
}

#ifdef __APPLE__
std::optional<ListeningSocket> takeLaunchdSocket() {
    int* fds = nullptr;
    size_t count = 0;
    const int rc = launch_activate_socket("Listener", &fds, &count);
    if (rc != 0 || count == 0) {
        std::free(fds);
        return std::nullopt;  // not started by launchd: bind the path ourselves
    }
    ListeningSocket result;
    result.fd = fds[0];
    for (size_t i = 1; i < count; ++i) {
        close(fds[i]);
    }
    std::free(fds);
    setCloseOnExec(result.fd);
    return result;
}
#endif

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
    if (std::optional<ListeningSocket> passed = takeSystemdSocket()) {
        return std::move(*passed);
    }
#ifdef __APPLE__
    if (std::optional<ListeningSocket> passed = takeLaunchdSocket()) {
        return std::move(*passed);
    }
#endif
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
