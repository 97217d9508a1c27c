#include "helper/Authorization.h"

#include <vector>

#include "helper/ToolEnvironment.h"
#include "shared/base/ProcessRunner.h"

namespace tarvex {

namespace {

// pkcheck's exit statuses: 0 authorized; 1 not authorized; 2 a password was needed and no
// authentication agent could ask; 3 the dialog was dismissed; 127 and anything else: an error
// (no system bus, no polkitd), which is no answer at all. So is a check killed at its limit.
AuthorityAnswer fromPkcheckStatus(const ProcessOutcome& outcome) {
    if (!outcome.launched || outcome.signalled) {
        return AuthorityAnswer::unavailable;
    }
    switch (outcome.status) {
        case 0:
            return AuthorityAnswer::yes;
        case 1:
            return AuthorityAnswer::no;
        case 2:
            return AuthorityAnswer::noAgent;
        case 3:
            return AuthorityAnswer::dismissed;
        default:
            return AuthorityAnswer::unavailable;
    }
}

AuthorizationRefusal refusalFor(AuthorityAnswer answer) {
    switch (answer) {
        case AuthorityAnswer::noAgent:
            return AuthorizationRefusal::noAgent;
        case AuthorityAnswer::dismissed:
            return AuthorizationRefusal::dismissed;
        case AuthorityAnswer::unavailable:
            return AuthorizationRefusal::unavailable;
        case AuthorityAnswer::yes:
        case AuthorityAnswer::no:
            break;
    }
    return AuthorizationRefusal::refused;
}

}  // namespace

Decision decide(std::string_view command, const Caller& caller, uid_t helperUid) {
    if (caller.known && caller.uid == helperUid) {
        return {Decision::Kind::allow, {}};  // it could run the tool itself
    }
    if (command == "status") {
        return {Decision::Kind::allow, {}};  // it only reads
    }
    // Without pid and start time polkit cannot be asked about this very process.
    if (!caller.known || caller.pid <= 0 || caller.startTime == 0) {
        return {Decision::Kind::refuse, {}};
    }
    if (command == "enable-boot" || command == "disable-boot") {
        return {Decision::Kind::ask, BOOT_ACTION};
    }
    return {Decision::Kind::ask, MANAGE_ACTION};
}

std::optional<HelperReply> authorize(std::string_view command, const Caller& caller,
                                     uid_t helperUid, Authority& authority) {
    const Decision decision = decide(command, caller, helperUid);
    switch (decision.kind) {
        case Decision::Kind::allow:
            return std::nullopt;
        case Decision::Kind::refuse:
            return HelperReply{false, notAuthorizedText(command, AuthorizationRefusal::refused)};
        case Decision::Kind::ask:
            break;
    }
    const AuthorityAnswer answer = authority.check(caller, decision.action, promptFor(command));
    if (answer == AuthorityAnswer::yes) {
        return std::nullopt;
    }
    return HelperReply{false, notAuthorizedText(command, refusalFor(answer))};
}

PkcheckAuthority::PkcheckAuthority(std::string program, std::chrono::milliseconds timeLimit,
                                   bool passMessage)
    : program_(std::move(program)), timeLimit_(timeLimit), passMessage_(passMessage) {}

AuthorityAnswer PkcheckAuthority::check(const Caller& caller, std::string_view action,
                                        std::string_view message) {
    std::vector<std::string> argv = {
        program_,
        "--action-id",
        std::string(action),
        // pid, start time and uid together name one process for good: no pid-reuse race.
        "--process",
        std::to_string(caller.pid) + "," + std::to_string(caller.startTime) + "," +
            std::to_string(caller.uid),
        "--allow-user-interaction",
    };
    if (passMessage_) {
        // polkitd takes details from uid 0 only; a helper run by a user for tests leaves it out.
        argv.insert(argv.end(), {"--detail", "polkit.message", std::string(message)});
    }
    ProcessSettings settings;
    settings.maxOutput = 64 * 1024;  // pkcheck's output only matters to a human reading it
    settings.environment = toolEnvironment();
    settings.timeLimit = timeLimit_;
    return fromPkcheckStatus(runProcess(argv, settings));
}

}  // namespace tarvex
