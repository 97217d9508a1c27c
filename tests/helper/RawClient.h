#pragma once

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

#include "shared/WireFormat.h"
#include "tests/support/HelperSocket.h"

namespace tarvex::testing {

// Reads until the peer closes (or `limitMs` passes without it); answers everything received.
inline std::string readUntilClosed(int fd, int limitMs = 30000, bool* closed = nullptr) {
    std::string received;
    char buffer[65536];
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              deadline - std::chrono::steady_clock::now())
                              .count();
        pollfd pfd{fd, POLLIN, 0};
        if (left <= 0 || poll(&pfd, 1, static_cast<int>(left)) <= 0) {
            break;
        }
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n <= 0) {
            if (closed != nullptr) {
                *closed = true;
            }
            break;
        }
        received.append(buffer, static_cast<std::size_t>(n));
    }
    return received;
}

// Sends raw bytes, optionally ends the sending side, and collects the whole answer until the
// helper closes the connection.
inline std::string rawExchange(const std::string& socketPath, const std::string& bytes,
                               bool endSending = false) {
    std::string error;
    const int fd = connectToHelper(socketPath, error);
    if (fd < 0) {
        return "connect failed: " + error;
    }
    writeAll(fd, bytes.data(), bytes.size());
    if (endSending) {
        shutdown(fd, SHUT_WR);
    }
    std::string answer = readUntilClosed(fd);
    close(fd);
    return answer;
}

inline HelperReply decodeWholeReply(const std::string& bytes) {
    const ReplyDecode decoded = decodeReply(bytes);
    if (decoded.status != DecodeStatus::complete || decoded.consumed != bytes.size()) {
        return HelperReply{false,
                           "<no single reply frame: " + std::to_string(bytes.size()) + " bytes>"};
    }
    return decoded.reply;
}

// One well-formed request, waiting for the reply and then for the helper to close.
inline HelperReply ask(const std::string& socketPath, const std::string& command,
                       const std::vector<std::string>& args = {}) {
    return decodeWholeReply(rawExchange(socketPath, encodeRequest({command, args})));
}

// Waits (bounded) for a condition on another process's progress, such as a marker file.
template <typename Condition>
bool eventually(Condition condition, int limitMs = 20000) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

}  // namespace tarvex::testing
