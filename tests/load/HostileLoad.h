#pragma once

#include <sys/types.h>

#include <cstddef>
#include <string>

#include "shared/WireFormat.h"
#include "tests/load/LoadClients.h"

namespace tarvex {

// How hard the hostile phases push; the defaults are the sizes the figures are stated for.
struct HostileSizes {
    int seconds = 10;  // each measured window
    int idleConnections = 1000;
    int dripFeeders = 16;
    std::size_t dripRequestBytes = MAX_REQUEST_BYTES;  // the largest the helper takes
    int dripBytesPerSecond = 200;
    int manyUids = 64;           // accounts besieging at once, each holding its share and more
    int connectionsPerUid = 24;  // above an account's share of connections still sending
    int waitingChecks = 64;      // "start" requests whose password check nobody answers
    long openFiles = 0;          // the helper's descriptor limit, 0: left as it was
    int silentReaders = 32;      // clients that never read a 16 MiB status reply
    int simultaneousStatus = 64;
    // False in sanitizer builds, whose allocator and instrumentation make the helper's VmRSS and
    // CPU say nothing about the helper itself: those figures are then shown, not checked.
    bool checkCosts = true;
};

// The files in the prefix that switch the fake tool's "status": a 16 MiB report, a slow one;
// and the file it appends a line to on every status run.
inline constexpr const char* BIG_STATUS_SWITCH = "big-status";
inline constexpr const char* SLOW_STATUS_SWITCH = "slow-status";
inline constexpr const char* STATUS_RUNS_FILE = "status-runs";
inline constexpr std::size_t BIG_STATUS_BYTES = 16u << 20;
// The fake pkcheck in the prefix: it adds a line to CHECKS_STARTED_FILE, then, while the
// HOLD_CHECKS_SWITCH file exists, waits until CHECKS_FIFO is opened for writing, as a check
// whose password nobody types would; it answers "no agent".
inline constexpr const char* FAKE_PKCHECK = "pkcheck";
inline constexpr const char* HOLD_CHECKS_SWITCH = "hold-checks";
inline constexpr const char* CHECKS_STARTED_FILE = "checks-started";
inline constexpr const char* CHECKS_FIFO = "checks.fifo";
// The prefix's etc/subuid gives this account the uids from FIRST_SUBORDINATE_UID on.
inline constexpr uid_t SUBORDINATE_OWNER = 4242;
inline constexpr uid_t FIRST_SUBORDINATE_UID = 80000;

// Runs the hostile phases against the helper `pid` serving `config.socketPath` with the fake
// tool in `prefix`, prints each figure beside its target, and answers whether all were met.
// Run as root, the hostile clients are one unprivileged account and the honest one another.
bool runHostilePhases(const LoadClientConfig& config, pid_t pid, const std::string& prefix,
                      const HostileSizes& sizes);

}  // namespace tarvex
