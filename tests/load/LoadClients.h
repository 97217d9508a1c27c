#pragma once

#include <atomic>
#include <chrono>
#include <string>
#include <vector>

namespace tarvex {

// What the clients saw; every counter is only ever increased.
struct LoadCounters {
    std::atomic<long> malformedSent{0};      // complete but malformed frames, answered as such
    std::atomic<long> refusedSent{0};        // well-formed requests for a command not allowed
    std::atomic<long> abruptDisconnects{0};  // half a frame, then gone
    std::atomic<long> stalledDropped{0};     // stalled clients that the helper hung up on
    std::atomic<long> slowCompleted{0};      // slow commands answered with success
    std::atomic<long> statusCompleted{0};    // status requests answered with the report
    std::atomic<long> wrongAnswers{0};       // anything not answered as it should be
    std::atomic<long> connectFailures{0};

    long requestsSent() const {
        return malformedSent + refusedSent + abruptDisconnects + slowCompleted + statusCompleted;
    }
};

struct LoadClientConfig {
    std::string socketPath;
    std::string expectedStatusOutput;  // what the fake tool prints for "status"
    std::string slowCommand;           // an allowed command the fake tool answers slowly
    int faultsPerSecond = 400;         // malformed frames + refused requests, paced
    int abruptPerSecond = 200;
    int stalledClients = 6;
    int slowClients = 6;
};

// One status request; answers its round-trip time, or a negative duration when it failed
// (and counts the failure).
std::chrono::nanoseconds timeStatusRequest(const LoadClientConfig& config, LoadCounters& counters);

// Each runs until `stop` becomes true.
void runFaultyClient(const LoadClientConfig& config, LoadCounters& counters,
                     const std::atomic<bool>& stop);
void runAbruptClient(const LoadClientConfig& config, LoadCounters& counters,
                     const std::atomic<bool>& stop);
void runStalledClients(const LoadClientConfig& config, LoadCounters& counters,
                       const std::atomic<bool>& stop);
void runSlowClient(const LoadClientConfig& config, LoadCounters& counters,
                   const std::atomic<bool>& stop);
// Status requests back to back, every round-trip time appended to `latencies`.
void runStatusClient(const LoadClientConfig& config, LoadCounters& counters,
                     const std::atomic<bool>& stop,
                     std::vector<std::chrono::nanoseconds>& latencies);

// The malformed frames the faulty client cycles through (exposed for the report).
std::vector<std::string> malformedFrames();

}  // namespace tarvex
