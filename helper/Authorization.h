#pragma once

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

#include "helper/Caller.h"
#include "shared/HelperProtocol.h"

namespace tarvex {

inline constexpr std::string_view BOOT_ACTION = "com.tarvex.monitor.boot";
inline constexpr std::string_view MANAGE_ACTION = "com.tarvex.monitor.manage";

// What the authority said about one caller and one action.
enum class AuthorityAnswer { yes, no, unavailable };

// Asks the system's authority whether a process may perform an action. May block while the
// user types a password; callers run it where waiting holds up nobody else.
class Authority {
public:
    virtual ~Authority() = default;
    virtual AuthorityAnswer check(const Caller& caller, std::string_view action,
                                  std::string_view message) = 0;
};

// The policy, without asking anyone: who needs which action for an allowed command.
struct Decision {
    enum class Kind { allow, refuse, ask };
    Kind kind = Kind::refuse;
    std::string_view action;  // for Kind::ask

    friend bool operator==(const Decision&, const Decision&) = default;
};
Decision decide(std::string_view command, const Caller& caller, uid_t helperUid);

// The text the password dialog shows when the check for `command` needs one.
std::string_view promptFor(std::string_view command);

// The decision carried out: nullopt when the caller may go ahead, else the refusal to reply.
std::optional<HelperReply> authorize(std::string_view command, const Caller& caller,
                                     uid_t helperUid, Authority& authority);

// polkit, through its pkcheck program: nothing of the desktop's libraries is loaded into the
// root process, and pkcheck's exit status says all we need. It runs with a fixed environment
// and is killed after `timeLimit` (a password may be being typed), which counts as no answer.
class PkcheckAuthority final : public Authority {
public:
    explicit PkcheckAuthority(std::string program = "/usr/bin/pkcheck",
                              std::chrono::milliseconds timeLimit = AUTHORIZATION_CHECK_LIMIT,
                              bool passMessage = true);
    AuthorityAnswer check(const Caller& caller, std::string_view action,
                          std::string_view message) override;

private:
    std::string program_;
    std::chrono::milliseconds timeLimit_;
    bool passMessage_;
};

}  // namespace tarvex
