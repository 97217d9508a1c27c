#include "tests/load/HostileClients.h"

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <sstream>
#include <thread>

#include "shared/WireFormat.h"
#include "tests/support/HelperSocket.h"

namespace tarvex {

namespace {

using Clock = std::chrono::steady_clock;

// In the forked child: another account, and room for a thousand descriptors.
bool becomeAccount(uid_t uid) {
    rlimit files{};
    if (getrlimit(RLIMIT_NOFILE, &files) == 0 && files.rlim_cur < files.rlim_max) {
        files.rlim_cur = files.rlim_max;
        setrlimit(RLIMIT_NOFILE, &files);
    }
    // Dumpable again, like a process that account starts from a program, so that the helper
    // can read who it is from /proc.
    return uid == SAME_ACCOUNT || (setgroups(0, nullptr) == 0 && setresgid(uid, uid, uid) == 0 &&
                                   setresuid(uid, uid, uid) == 0 && prctl(PR_SET_DUMPABLE, 1) == 0);
}

void reap(pid_t pid, std::chrono::seconds limit) {
    const auto deadline = Clock::now() + limit;
    while (waitpid(pid, nullptr, WNOHANG) == 0) {
        if (Clock::now() > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

// Waits up to `ms` for the stop signal; true when it came.
bool waitForStop(int stopFd, int ms) {
    pollfd pfd{stopFd, POLLIN, 0};
    return poll(&pfd, 1, ms) > 0;
}

// A non-blocking connection, or -1 (also when the helper's backlog is full).
int connectNonBlocking(const std::string& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd >= 0 && connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

// True when the helper closed (or answered) the connection.
bool closedByPeer(int fd) {
    pollfd pfd{fd, POLLIN, 0};
    return poll(&pfd, 1, 0) > 0;
}

}  // namespace

AccountProcess::AccountProcess(uid_t uid, const std::function<void(int)>& work) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        return;
    }
    pid_ = fork();
    if (pid_ == 0) {
        // Nor the other clients' stop pipes: held here, they would never see their end of file.
        close_range(3, static_cast<unsigned>(fds[0]) - 1, 0);
        close_range(static_cast<unsigned>(fds[0]) + 1, ~0u, 0);
        if (!becomeAccount(uid)) {
            _exit(3);
        }
        work(fds[0]);
        _exit(0);
    }
    close(fds[0]);
    stopWrite_ = fds[1];
}

void AccountProcess::stop() {
    if (stopWrite_ >= 0) {
        close(stopWrite_);
        stopWrite_ = -1;
    }
    if (pid_ > 0) {
        reap(pid_, std::chrono::seconds(10));
        pid_ = -1;
    }
}

std::string runAs(uid_t uid, const std::function<std::string()>& work, std::chrono::seconds limit,
                  const std::function<void()>& tick) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        return "";
    }
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        if (!becomeAccount(uid)) {
            _exit(3);
        }
        const std::string result = work();
        for (std::size_t sent = 0; sent < result.size();) {
            const ssize_t n = write(fds[1], result.data() + sent, result.size() - sent);
            if (n <= 0) {
                break;
            }
            sent += static_cast<std::size_t>(n);
        }
        _exit(0);
    }
    close(fds[1]);
    std::string result;
    char buffer[65536];
    const auto deadline = Clock::now() + limit;
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        pollfd pfd{fds[0], POLLIN, 0};
        const int ready = left > 0 ? poll(&pfd, 1, static_cast<int>(std::min<long>(left, 50))) : -1;
        if (ready == 0) {
            if (tick) {
                tick();
            }
            continue;
        }
        if (ready < 0) {
            result.clear();
            break;
        }
        const ssize_t n = read(fds[0], buffer, sizeof buffer);
        if (n <= 0) {
            break;
        }
        result.append(buffer, static_cast<std::size_t>(n));
    }
    close(fds[0]);
    reap(pid, std::chrono::seconds(0));
    return result;
}

bool stopRequested(int stopFd) {
    return waitForStop(stopFd, 0);
}

void holdIdleConnections(const LoadClientConfig& config, int count, int stopFd) {
    constexpr int REOPEN_PER_PASS = 100;
    std::vector<int> fds(static_cast<std::size_t>(count), -1);
    do {
        int reopened = 0;
        for (int& fd : fds) {
            if (fd >= 0 && closedByPeer(fd)) {
                close(fd);
                fd = -1;
            }
            if (fd < 0 && reopened < REOPEN_PER_PASS) {
                fd = connectNonBlocking(config.socketPath);
                ++reopened;
            }
        }
    } while (!waitForStop(stopFd, 100));
    for (const int fd : fds) {
        if (fd >= 0) {
            close(fd);
        }
    }
}

void dripRequests(const LoadClientConfig& config, int count, std::size_t requestBytes,
                  int bytesPerSecond, int stopFd) {
    const std::size_t header = encodeRequest({"status", {""}}).size();
    const std::string frame = encodeRequest(
        {"status", {std::string(requestBytes - std::min(requestBytes, header), 'a')}});
    // A byte per write, so that the helper wakes up for every one of them.
    constexpr int PASSES_PER_SECOND = 100;
    const int perPass = std::max(1, bytesPerSecond / PASSES_PER_SECOND);
    struct Drip {
        int fd = -1;
        std::size_t sent = 0;
    };
    std::vector<Drip> drips(static_cast<std::size_t>(count));
    do {
        for (Drip& drip : drips) {
            if (drip.fd >= 0 && closedByPeer(drip.fd)) {
                close(drip.fd);
                drip.fd = -1;
            }
            if (drip.fd < 0) {
                drip = Drip{connectNonBlocking(config.socketPath), 0};
            }
            for (int i = 0; i < perPass && drip.fd >= 0 && drip.sent < frame.size(); ++i) {
                if (send(drip.fd, frame.data() + drip.sent, 1, MSG_NOSIGNAL) == 1) {
                    ++drip.sent;
                }
            }
        }
    } while (!waitForStop(stopFd, 1000 / PASSES_PER_SECOND));
    for (const Drip& drip : drips) {
        if (drip.fd >= 0) {
            close(drip.fd);
        }
    }
}

void ignoreReplies(const LoadClientConfig& config, int count, int stopFd,
                   const std::string& command) {
    const std::string frame = encodeRequest({command, {}});
    std::vector<int> fds;
    for (int i = 0; i < count; ++i) {
        std::string error;
        const int fd = connectToHelper(config.socketPath, error);
        if (fd >= 0 && writeAll(fd, frame.data(), frame.size())) {
            fds.push_back(fd);
        } else if (fd >= 0) {
            close(fd);
        }
    }
    waitForStop(stopFd, -1);
    for (const int fd : fds) {
        close(fd);
    }
}

std::string measureStatus(const LoadClientConfig& config, int seconds, int timeoutMs) {
    std::ostringstream out;
    const auto end = Clock::now() + std::chrono::seconds(seconds);
    while (Clock::now() < end) {
        const auto started = Clock::now();
        std::string error;
        const int fd = connectToHelper(config.socketPath, error);
        const HelperExchange exchange =
            fd >= 0 ? exchangeWithHelper(fd, {"status", {}}, timeoutMs) : HelperExchange{};
        auto elapsed = Clock::now() - started;
        if (!exchange.replied || !exchange.reply.success ||
            exchange.reply.output != config.expectedStatusOutput) {
            elapsed = std::chrono::milliseconds(timeoutMs);
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        out << std::chrono::duration_cast<std::chrono::nanoseconds>(elapsed).count() << ' ';
    }
    return out.str();
}

std::vector<std::chrono::nanoseconds> parseLatencies(const std::string& text) {
    std::vector<std::chrono::nanoseconds> latencies;
    std::istringstream in(text);
    long long ns = 0;
    while (in >> ns) {
        latencies.emplace_back(ns);
    }
    return latencies;
}

}  // namespace tarvex
