#pragma once

#include <sys/types.h>

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

// One process of that account sending several request frames, one connection each, in turn,
// once told to go: polkit sees the same caller for all of them.
class AccountProcess {
public:
    AccountProcess(uid_t uid, std::string socketPath, const std::vector<std::string>& frames,
                   bool waitForGo);
    ~AccountProcess();
    AccountProcess(const AccountProcess&) = delete;
    AccountProcess& operator=(const AccountProcess&) = delete;

    pid_t pid() const { return pid_; }
    void go();
    // Every reply, in order (tells go first); then the process is gone.
    std::vector<HelperReply> replies(int limitMs = 40000);

private:
    int finish();

    uid_t uid_;
    std::string socketPath_;
    pid_t pid_ = -1;
    int out_ = -1;
    int go_ = -1;
};

}  // namespace testing
}  // namespace tarvex
