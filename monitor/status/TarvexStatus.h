#pragma once

#include <string>
#include <string_view>

namespace tarvex {

// The four states of the service, in this order; tables indexed by state follow it.
enum class ServiceState { active, starting, stopping, stopped };

// The service's status as read from the control tool's "status" report.
struct TarvexStatus {
    std::string port;
    bool processRunning = false;
    std::string pid;
    bool portOpen = false;
    bool launchdLoaded = false;

    ServiceState state() const;
    std::string summary() const;

    // Never fails: whatever it does not recognise leaves the defaults in place.
    static TarvexStatus parse(std::string_view output);

    friend bool operator==(const TarvexStatus&, const TarvexStatus&) = default;
};

// Position of a state in the case order, for tables indexed by state.
constexpr int stateIndex(ServiceState state) {
    return static_cast<int>(state);
}

}  // namespace tarvex
