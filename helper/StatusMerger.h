#pragma once

#include <cstdint>
#include <vector>

namespace tarvex {

// Many monitors poll status at once; one run of the tool can answer them all. While a run is in
// flight, new requests wait for the next run, which starts when the current one ends, so that
// every caller sees a state at least as new as its request: at most one run is in flight and
// one queued, whatever the number of callers.
class StatusMerger {
public:
    using Id = std::uint64_t;

    // A new status request; true when a run should start now (nothing was in flight).
    bool request(Id id);

    // The run in flight ended: `answered` gets every request it answers (the same reply for
    // all). True when the next run should start now, for the requests that queued meanwhile.
    bool finish(std::vector<Id>& answered);

    bool running() const { return running_; }

private:
    bool running_ = false;
    std::vector<Id> current_;  // answered by the run in flight
    std::vector<Id> next_;     // arrived after it started
};

}  // namespace tarvex
