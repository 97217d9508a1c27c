#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

#include "shared/HelperProtocol.h"

namespace tarvex {

// Who is on the other end of a connection, as the kernel reports it. Nothing here comes from
// the request itself, so a client cannot claim to be someone else.
struct PeerCredentials {
    bool known = false;  // false when the platform could not tell
    uid_t uid = static_cast<uid_t>(-1);
    pid_t pid = -1;
};

// The root helper's request handler. It holds no state: every request builds its own process
// and pipe, so requests on different connections may run at the same time.
class Helper final : public TarvexHelperProtocol {
public:
    // Asked once for every new connection, before anything is read from it. Every client is
    // accepted; a policy that restricts clients (by uid, by pid) belongs here and nowhere else.
    bool listener(const PeerCredentials& shouldAcceptNewConnection) const;

    // Checks the command against the allow-list, runs the control tool with the command and the
    // args unchanged, and replies exactly once with the tool's success and combined output.
    void execute(const std::string& command, const std::vector<std::string>& args,
                 Reply withReply) override;
};

}  // namespace tarvex
