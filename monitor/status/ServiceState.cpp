#include "monitor/status/TarvexStatus.h"

namespace tarvex {

ServiceState TarvexStatus::state() const {
    if (launchdLoaded) {
        return processRunning && portOpen ? ServiceState::active : ServiceState::starting;
    }
    return processRunning || portOpen ? ServiceState::stopping : ServiceState::stopped;
}

std::string TarvexStatus::summary() const {
    switch (state()) {
        case ServiceState::active:
            return pid.empty() ? "Active" : "Active (PID " + pid + ")";
        case ServiceState::starting:
            return "Starting\u2026";
        case ServiceState::stopping:
            return "Stopping\u2026";
        case ServiceState::stopped:
            break;
    }
    return "Stopped";
}

}  // namespace tarvex
