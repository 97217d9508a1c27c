#include "tests/load/LoadClients.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <optional>
#include <thread>

#include "shared/WireFormat.h"
#include "tests/support/HelperSocket.h"

namespace tarvex {

namespace {

using Clock = std::chrono::steady_clock;
constexpr int REPLY_TIMEOUT_MS = 20000;

std::string u32(std::uint32_t value) {
    std::string out(4, '\0');
    for (int i = 0; i < 4; ++i) {
        out[static_cast<std::size_t>(i)] = static_cast<char>((value >> (24 - 8 * i)) & 0xFFu);
    }
    return out;
}

int connectOrCount(const LoadClientConfig& config, LoadCounters& counters) {
    std::string error;
    const int fd = connectToHelper(config.socketPath, error);
    if (fd < 0) {
        ++counters.connectFailures;
    }
    return fd;
}

// Reads until a whole reply, end of file, an error or the time-out; nothing unless a whole
// reply arrived.
std::optional<HelperReply> readReply(int fd, int timeoutMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    std::string received;
    char buffer[4096];
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        pollfd pfd{fd, POLLIN, 0};
        const int ready = poll(&pfd, 1, left > 0 ? static_cast<int>(left) : 0);
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready <= 0) {
            return std::nullopt;
        }
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return std::nullopt;
        }
        received.append(buffer, static_cast<std::size_t>(n));
        ReplyDecode decoded = decodeReply(received);
        if (decoded.status == DecodeStatus::complete) {
            return std::move(decoded.reply);
        }
        if (decoded.status == DecodeStatus::malformed) {
            return std::nullopt;
        }
    }
}

// Sends `frame` (and, when `halfClose`, says that nothing more comes) and checks the reply.
bool expectReply(const LoadClientConfig& config, LoadCounters& counters, const std::string& frame,
                 bool halfClose, const HelperReply& expected) {
    const int fd = connectOrCount(config, counters);
    if (fd < 0) {
        return false;
    }
    bool ok = writeAll(fd, frame.data(), frame.size());
    if (ok && halfClose) {
        shutdown(fd, SHUT_WR);
    }
    const std::optional<HelperReply> reply = ok ? readReply(fd, REPLY_TIMEOUT_MS) : std::nullopt;
    close(fd);
    ok = reply && *reply == expected;
    if (!ok) {
        ++counters.wrongAnswers;
    }
    return ok;
}

// Sleeps so that the caller's loop runs `perSecond` times a second; true to go on.
bool pace(Clock::time_point& next, int perSecond, const std::atomic<bool>& stop) {
    next += std::chrono::microseconds(1000000 / (perSecond > 0 ? perSecond : 1));
    std::this_thread::sleep_until(next);
    return !stop;
}

}  // namespace

std::vector<std::string> malformedFrames() {
    const std::string status = encodeRequest({"status", {}});
    return {
        "XVXQ" + status.substr(4),                                        // wrong magic
        std::string("TVXQ") + u32(0),                                     // no strings
        std::string("TVXQ") + u32(65) + u32(0),                           // too many strings
        std::string("TVXQ") + u32(1) + u32(65537),                        // string too long
        std::string("TVXQ") + u32(1) + u32(4) + std::string("st\0p", 4),  // NUL
        std::string("TVXQ") + u32(1) + u32(2) + "\xC0\xAF",               // not UTF-8
        std::string("TVXQ") + u32(2) + u32(6) + "status" + u32(3) + "\xED\xA0\x80",  // surrogate
    };
}

std::chrono::nanoseconds timeStatusRequest(const LoadClientConfig& config, LoadCounters& counters) {
    const auto started = Clock::now();
    const int fd = connectOrCount(config, counters);
    if (fd < 0) {
        return std::chrono::nanoseconds(-1);
    }
    const HelperExchange exchange = exchangeWithHelper(fd, {"status", {}}, REPLY_TIMEOUT_MS);
    const auto elapsed = Clock::now() - started;
    if (!exchange.replied || !exchange.reply.success ||
        exchange.reply.output != config.expectedStatusOutput) {
        ++counters.wrongAnswers;
        return std::chrono::nanoseconds(-1);
    }
    ++counters.statusCompleted;
    return elapsed;
}

void runFaultyClient(const LoadClientConfig& config, LoadCounters& counters,
                     const std::atomic<bool>& stop) {
    const std::vector<std::string> frames = malformedFrames();
    const HelperReply malformed{false, std::string(MALFORMED_REQUEST)};
    const std::string status = encodeRequest({"status", {"--verbose"}});
    auto next = Clock::now();
    for (std::size_t round = 0; pace(next, config.faultsPerSecond, stop); ++round) {
        switch (round % (frames.size() + 2)) {
            case 0:  // a well-formed request for a command outside the allow-list
                if (expectReply(config, counters, encodeRequest({"boot-status", {}}), false,
                                {false, std::string(COMMAND_NOT_ALLOWED) + "boot-status"})) {
                    ++counters.refusedSent;
                }
                break;
            case 1:  // a frame cut short, then the end of the stream
                if (expectReply(config, counters, status.substr(0, status.size() - 3), true,
                                malformed)) {
                    ++counters.malformedSent;
                }
                break;
            default:
                if (expectReply(config, counters, frames[round % (frames.size() + 2) - 2], false,
                                malformed)) {
                    ++counters.malformedSent;
                }
                break;
        }
    }
}

void runAbruptClient(const LoadClientConfig& config, LoadCounters& counters,
                     const std::atomic<bool>& stop) {
    const std::string frame = encodeRequest({"restart", {"--force"}});
    auto next = Clock::now();
    for (std::size_t round = 0; pace(next, config.abruptPerSecond, stop); ++round) {
        const int fd = connectOrCount(config, counters);
        if (fd < 0) {
            continue;
        }
        // Every other one leaves without sending anything at all.
        if (round % 2 == 0) {
            writeAll(fd, frame.data(), frame.size() / 2);
        }
        close(fd);
        ++counters.abruptDisconnects;
    }
}

void runStalledClients(const LoadClientConfig& config, LoadCounters& counters,
                       const std::atomic<bool>& stop) {
    // Half of them send the first bytes and go quiet; the other half trickle one more byte a
    // second, which would take longer than the helper's time-out to finish the frame.
    const std::string frame = encodeRequest({"status", {"--verbose"}});
    constexpr std::size_t FIRST_BYTES = 10;
    struct Stalled {
        int fd = -1;
        std::size_t sent = 0;
        Clock::time_point nextByte;
    };
    std::vector<Stalled> clients(static_cast<std::size_t>(config.stalledClients));
    const auto openOne = [&](Stalled& client) {
        client = Stalled{connectOrCount(config, counters), FIRST_BYTES,
                         Clock::now() + std::chrono::seconds(1)};
        if (client.fd >= 0 && !writeAll(client.fd, frame.data(), FIRST_BYTES)) {
            close(client.fd);
            client.fd = -1;
        }
    };
    for (Stalled& client : clients) {
        openOne(client);
    }
    while (!stop) {
        for (std::size_t i = 0; i < clients.size(); ++i) {
            Stalled& client = clients[i];
            if (client.fd < 0) {
                openOne(client);
                continue;
            }
            pollfd pfd{client.fd, POLLIN, 0};
            if (poll(&pfd, 1, 0) == 1) {
                // The helper gave up on us: it must hang up without running or answering. A
                // byte trickled in after its last read makes the hang-up a reset, not an end of
                // file; only data back is an answer.
                char byte = 0;
                const ssize_t n = read(client.fd, &byte, 1);
                if (n == 0 || (n < 0 && errno == ECONNRESET)) {
                    ++counters.stalledDropped;
                } else {
                    ++counters.wrongAnswers;
                }
                close(client.fd);
                openOne(client);
            } else if (i % 2 == 1 && Clock::now() >= client.nextByte &&
                       client.sent < frame.size()) {
                // A failed write means the helper hung up; the next poll sees it.
                writeAll(client.fd, frame.data() + client.sent, 1);
                ++client.sent;
                client.nextByte += std::chrono::seconds(1);
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    for (const Stalled& client : clients) {
        if (client.fd >= 0) {
            close(client.fd);
        }
    }
}

void runSlowClient(const LoadClientConfig& config, LoadCounters& counters,
                   const std::atomic<bool>& stop) {
    while (!stop) {
        const int fd = connectOrCount(config, counters);
        if (fd < 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            continue;
        }
        const HelperExchange exchange =
            exchangeWithHelper(fd, {config.slowCommand, {}}, REPLY_TIMEOUT_MS);
        if (exchange.replied && exchange.reply.success) {
            ++counters.slowCompleted;
        } else {
            ++counters.wrongAnswers;
        }
    }
}

void runStatusClient(const LoadClientConfig& config, LoadCounters& counters,
                     const std::atomic<bool>& stop,
                     std::vector<std::chrono::nanoseconds>& latencies) {
    while (!stop) {
        const auto latency = timeStatusRequest(config, counters);
        if (latency.count() >= 0) {
            latencies.push_back(latency);
        }
    }
}

}  // namespace tarvex
