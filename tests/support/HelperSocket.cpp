#include "tests/support/HelperSocket.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

#include "shared/WireFormat.h"
#include "shared/base/ProcessRunner.h"

namespace tarvex {

namespace {

#ifdef MSG_NOSIGNAL
constexpr int SEND_FLAGS = MSG_NOSIGNAL;
#else
constexpr int SEND_FLAGS = 0;
#endif

}  // namespace

int connectToHelper(const std::string& socketPath, std::string& error) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (socketPath.size() >= sizeof address.sun_path) {
        error = "Socket path is too long: " + socketPath;
        return -1;
    }
    std::memcpy(address.sun_path, socketPath.c_str(), socketPath.size() + 1);
#ifdef SOCK_CLOEXEC
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
#else
    const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
#endif
    if (fd < 0) {
        error = std::strerror(errno);
        return -1;
    }
    setCloseOnExec(fd);
#ifdef SO_NOSIGPIPE
    const int one = 1;
    setsockopt(fd, SOL_SOCKET, SO_NOSIGPIPE, &one, sizeof one);
#endif
    int rc = 0;
    do {
        rc = connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0) {
        error = std::string("Cannot connect to ") + socketPath + ": " + std::strerror(errno);
        close(fd);
        return -1;
    }
    return fd;
}

bool writeAll(int fd, const char* data, std::size_t size) {
    std::size_t sent = 0;
    while (sent < size) {
        const ssize_t n = send(fd, data + sent, size - sent, SEND_FLAGS);
        if (n > 0) {
            sent += static_cast<std::size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            return false;
        }
    }
    return true;
}

HelperExchange exchangeWithHelper(int fd, const HelperRequest& request, int timeoutMs) {
    HelperExchange result;
    const std::string frame = encodeRequest(request);
    if (!writeAll(fd, frame.data(), frame.size())) {
        result.error = std::string("Sending the request failed: ") + std::strerror(errno);
        close(fd);
        return result;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    std::string received;
    char buffer[65536];
    for (;;) {
        int wait = -1;
        if (timeoutMs >= 0) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            wait = left.count() > 0 ? static_cast<int>(left.count()) : 0;
        }
        pollfd pfd{fd, POLLIN, 0};
        const int ready = poll(&pfd, 1, wait);
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready <= 0) {
            result.error = ready == 0 ? "The helper did not answer in time" : std::strerror(errno);
            break;
        }
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            result.error =
                n == 0 ? "The helper closed the connection without a reply" : std::strerror(errno);
            break;
        }
        received.append(buffer, static_cast<std::size_t>(n));
        ReplyDecode decoded = decodeReply(received);
        if (decoded.status == DecodeStatus::complete) {
            result.replied = true;
            result.reply = std::move(decoded.reply);
            break;
        }
        if (decoded.status == DecodeStatus::malformed) {
            result.error = "The helper sent a malformed reply";
            break;
        }
    }
    close(fd);
    return result;
}

}  // namespace tarvex
