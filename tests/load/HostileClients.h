#pragma once

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "tests/load/LoadClients.h"

namespace tarvex {

// uid for clients that stay in the caller's own account.
inline constexpr uid_t SAME_ACCOUNT = static_cast<uid_t>(-1);

// A forked child that has dropped to another account (no groups) and runs a client until told
// to stop. `work` gets a descriptor that turns readable (end of file) when it should return.
class AccountProcess {
public:
    AccountProcess(uid_t uid, const std::function<void(int stopFd)>& work);
    ~AccountProcess() { stop(); }
    AccountProcess(const AccountProcess&) = delete;
    AccountProcess& operator=(const AccountProcess&) = delete;

    bool running() const { return pid_ > 0; }
    // Tells the child to stop and waits (bounded, then kills it).
    void stop();

private:
    pid_t pid_ = -1;
    int stopWrite_ = -1;
};

// Runs `work` in a child as `uid` and answers what it returned (empty if it died or took longer
// than `limit`). `tick` runs in the caller about every 50 ms while it waits.
std::string runAs(uid_t uid, const std::function<std::string()>& work, std::chrono::seconds limit,
                  const std::function<void()>& tick = {});

// True once `stopFd` says stop (does not wait).
bool stopRequested(int stopFd);

// Holds `count` connections that never send a byte; reopens those the helper closes, a
// bounded number per pass so that the client does not spin against a helper refusing them.
void holdIdleConnections(const LoadClientConfig& config, int count, int stopFd);

// `count` connections sending a `requestBytes` request (status with an argument: refused once
// whole) at `bytesPerSecond` each; one the helper closes is opened again.
void dripRequests(const LoadClientConfig& config, int count, std::size_t requestBytes,
                  int bytesPerSecond, int stopFd);

// `count` connections that send `command` and never read the reply.
void ignoreReplies(const LoadClientConfig& config, int count, int stopFd,
                   const std::string& command = "status");

// Status round trips back to back for `seconds`; a failed one counts as `timeoutMs` so that it
// shows in the percentiles. Answers the latencies in nanoseconds, blank-separated.
std::string measureStatus(const LoadClientConfig& config, int seconds, int timeoutMs);
std::vector<std::chrono::nanoseconds> parseLatencies(const std::string& text);

}  // namespace tarvex
