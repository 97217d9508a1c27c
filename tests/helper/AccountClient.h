#pragma once

#include <sys/types.h>

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "shared/HelperProtocol.h"

namespace tarvex {

// Failure messages show the reply, not its bytes.
inline void PrintTo(const HelperReply& reply, std::ostream* out) {
    *out << "(" << (reply.success ? "true" : "false") << ", \"" << reply.output << "\")";
}

namespace testing {

// An account no test machine gives anything to: the conventional "nobody".
inline constexpr uid_t UNPRIVILEGED_UID = 65534;

// True when the test runs as root, the only way to play another account.
bool runningAsRoot();

// Sends one request from a child process that has dropped to `uid` (same gid, no supplementary
// groups) and answers the reply it read. A child that could not connect or got no whole reply
// answers (false, "<...>") with the reason, which no helper text looks like.
HelperReply askAs(uid_t uid, const std::string& socketPath, const std::string& command,
                  const std::vector<std::string>& args = {});
// The same for several requests from one process, each on a connection of its own, in turn;
// `beforeSending` learns the process's pid first. Answers each reply that came whole.
std::vector<HelperReply> askAs(uid_t uid, const std::string& socketPath,
                               const std::vector<HelperRequest>& requests,
                               const std::function<void(pid_t)>& beforeSending);

}  // namespace testing
}  // namespace tarvex
