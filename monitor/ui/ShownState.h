#pragma once

#include "monitor/status/TarvexStatus.h"

namespace tarvex {

// What a glance at the monitor reads: the service's four states, and the two in which the monitor
// cannot tell one of them. The first four follow the order of ServiceState.
enum class ShownState {
    active,
    starting,
    stopping,
    stopped,
    unknown,  // no status answer: the helper is unreachable or silent, or the status run failed
    notInstalled,  // the service's core installation is gone
};
inline constexpr int SHOWN_STATE_COUNT = 6;

constexpr ShownState shownStateOf(ServiceState state) {
    return static_cast<ShownState>(stateIndex(state));
}

constexpr bool isServiceState(ShownState state) {
    return state != ShownState::unknown && state != ShownState::notInstalled;
}

}  // namespace tarvex
