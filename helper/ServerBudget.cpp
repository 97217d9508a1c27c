#include <algorithm>

#include "helper/ServerState.h"

namespace tarvex {

namespace {

// The helper's own: standard descriptors, the listener, the poller, its pipes, the log, and a
// few taken for a moment (a connection accepted only to be closed, a caller's pidfd and /proc
// entry, the subordinate uid file).
constexpr std::size_t OWN_DESCRIPTORS = 32;
// The fewest connections worth serving, however few descriptors there are.
constexpr std::size_t MIN_CONNECTIONS = 16;

}  // namespace

std::size_t ServerLimits::descriptorsNeeded() const {
    // A run's or a check's pipe: both ends until the program has started, then one.
    return OWN_DESCRIPTORS + 2 * (maxRuns + maxChecks + 1) + maxConnections;
}

ServerLimits limitsForDescriptors(std::size_t descriptors) {
    ServerLimits limits;
    const std::size_t reserve = limits.descriptorsNeeded() - limits.maxConnections;
    limits.maxConnections = std::clamp(descriptors > reserve ? descriptors - reserve : 0,
                                       MIN_CONNECTIONS, limits.maxConnections);
    return limits;
}

namespace server {

namespace {

void forgetIfIdle(State& state, uid_t account) {
    const auto found = state.accounts.find(account);
    if (found != state.accounts.end()) {
        const AccountUse& use = found->second;
        if (use.connections == 0 && use.receiving == 0 && use.pending == 0 && use.heldBytes == 0) {
            state.accounts.erase(found);
        }
    }
}

// All connections are taken: the account with the most connections still sending gives up
// its oldest one, if it holds more of them than the newcomer's account.
bool makeRoom(State& state, uid_t newcomer) {
    const std::size_t newcomerHolds = state.accounts[newcomer].receiving;
    auto heaviest = state.accounts.end();
    for (auto it = state.accounts.begin(); it != state.accounts.end(); ++it) {
        if (heaviest == state.accounts.end() || it->second.receiving > heaviest->second.receiving) {
            heaviest = it;
        }
    }
    if (heaviest == state.accounts.end() || heaviest->second.receiving <= newcomerHolds) {
        return false;
    }
    const uid_t account = heaviest->first;
    auto oldest = state.connections.end();
    for (auto it = state.connections.begin(); it != state.connections.end(); ++it) {
        if (it->second.phase == Connection::Phase::receiving &&
            it->second.caller.budgetAccount() == account &&
            (oldest == state.connections.end() || it->first < oldest->first)) {
            oldest = it;
        }
    }
    if (oldest == state.connections.end()) {
        return false;
    }
    closeConnection(state, oldest->first);
    return true;
}

}  // namespace

AccountUse& useOf(State& state, const Connection& connection) {
    return state.accounts[connection.caller.budgetAccount()];
}

bool admitConnection(State& state, const Caller& caller) {
    const uid_t account = caller.budgetAccount();
    const AccountUse& use = state.accounts[account];
    const ServerLimits& limits = state.limits;
    const bool admitted =
        !(state.limited(caller) && (use.receiving >= limits.maxReceivingPerUid ||
                                    use.connections >= limits.maxConnectionsPerUid)) &&
        (state.connections.size() < limits.maxConnections || makeRoom(state, account));
    forgetIfIdle(state, account);
    return admitted;
}

void leavePhase(State& state, Connection& connection) {
    AccountUse& use = useOf(state, connection);
    if (connection.phase == Connection::Phase::receiving) {
        --use.receiving;
    } else if (connection.phase == Connection::Phase::waiting) {
        countAwaiting(state, -1);
        if (connection.countsPending) {
            --use.pending;
            connection.countsPending = false;
        }
    }
}

void releaseConnection(State& state, Connection& connection) {
    leavePhase(state, connection);
    AccountUse& use = useOf(state, connection);
    --use.connections;
    use.heldBytes -= connection.heldCharge;
    connection.heldCharge = 0;
    forgetIfIdle(state, connection.caller.budgetAccount());
}

bool holdReply(State& state, Connection& connection) {
    Frame& frame = *connection.reply;
    if (state.limited(connection.caller) && connection.heldCharge == 0) {
        AccountUse& use = useOf(state, connection);
        if (use.heldBytes + frame.bytes.size() > state.limits.maxHeldReplyBytesPerUid) {
            return false;
        }
        use.heldBytes += frame.bytes.size();
        connection.heldCharge = frame.bytes.size();
    }
    if (frame.heldBytes == nullptr) {
        if (state.heldBytes + frame.bytes.size() > state.limits.maxHeldReplyBytes) {
            return false;
        }
        frame.heldBytes = &state.heldBytes;
        state.heldBytes += frame.bytes.size();
    }
    return true;
}

}  // namespace server

}  // namespace tarvex
