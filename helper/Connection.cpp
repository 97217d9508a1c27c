#include "helper/Connection.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <string>

#include "shared/WireFormat.h"

namespace tarvex {

namespace {

using Clock = std::chrono::steady_clock;

#ifdef MSG_NOSIGNAL
constexpr int SEND_FLAGS = MSG_NOSIGNAL;
#else
constexpr int SEND_FLAGS = 0;  // SO_NOSIGPIPE is set on the socket instead
#endif

constexpr std::size_t READ_CHUNK = 65536;

// Waits for `events` on `fd` until `deadline`; true when the descriptor is ready (or in error,
// which the next read or write reports).
bool waitUntilReady(int fd, short events, Clock::time_point deadline) {
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) {
            return false;
        }
        pollfd pfd{fd, events, 0};
        const int ready = poll(&pfd, 1, static_cast<int>(std::min<long long>(left, 60000)));
        if (ready > 0) {
            return true;
        }
        if (ready < 0 && errno != EINTR) {
            return false;
        }
    }
}

enum class ReadResult { complete, malformed, dropped };

ReadResult readRequest(int fd, Clock::time_point deadline, HelperRequest& request) {
    std::string received;
    for (;;) {
        const std::size_t used = received.size();
        received.resize(used + READ_CHUNK);
        const ssize_t n = read(fd, received.data() + used, READ_CHUNK);
        received.resize(used + (n > 0 ? static_cast<std::size_t>(n) : 0));
        if (n == 0) {
            return ReadResult::malformed;  // the peer stopped sending before the frame was whole
        }
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            if (errno != EAGAIN && errno != EWOULDBLOCK) {
                return ReadResult::dropped;
            }
            if (!waitUntilReady(fd, POLLIN, deadline)) {
                return ReadResult::dropped;
            }
            continue;
        }
        // The decoder stops at the first bad count or length, so the buffer never grows much
        // beyond the largest valid frame.
        RequestDecode decoded = decodeRequest(received);
        if (decoded.status == DecodeStatus::complete) {
            request = std::move(decoded.request);
            return ReadResult::complete;
        }
        if (decoded.status == DecodeStatus::malformed) {
            return ReadResult::malformed;
        }
    }
}

void writeReply(int fd, const HelperReply& reply, Clock::time_point deadline) {
    const std::string frame = encodeReply(reply);
    std::size_t sent = 0;
    while (sent < frame.size()) {
        const ssize_t n = send(fd, frame.data() + sent, frame.size() - sent, SEND_FLAGS);
        if (n > 0) {
            sent += static_cast<std::size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            if (!waitUntilReady(fd, POLLOUT, deadline)) {
                return;
            }
        } else {
            return;  // the client went away; there is nobody left to tell
        }
    }
}

}  // namespace

void serveConnection(int fd, const Caller& caller, Helper& helper, const ConnectionLimits& limits) {
    HelperRequest request;
    const ReadResult read = readRequest(fd, Clock::now() + limits.requestTimeout, request);
    if (read == ReadResult::dropped) {
        close(fd);
        return;
    }
    HelperReply reply{false, std::string(MALFORMED_REQUEST)};
    if (read == ReadResult::complete) {
        // Called exactly once by the helper; the reply is written after the tool has finished.
        helper.serve(caller, request, [&reply](bool success, std::string output) {
            reply.success = success;
            reply.output = std::move(output);
        });
    }
    writeReply(fd, reply, Clock::now() + limits.replyTimeout);
    close(fd);
}

}  // namespace tarvex
