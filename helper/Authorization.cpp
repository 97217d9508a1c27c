#include "helper/Authorization.h"

#include <vector>

#include "helper/ToolEnvironment.h"
#include "shared/base/ProcessRunner.h"

namespace tarvex {

namespace {

// pkcheck's exit statuses: 0 authorized; 1 not authorized; 2 not authorized because no
// authentication agent could ask; 3 the dialog was dismissed; 127 and anything else: an error
// (no system bus, no polkitd), which is no answer at all.
AuthorityAnswer fromPkcheckStatus(const ProcessOutcome& outcome) {
    if (!outcome.launched || outcome.signalled) {
        return AuthorityAnswer::unavailable;
    }
    switch (outcome.status) {
        case 0:
            return AuthorityAnswer::yes;
        case 1:
        case 2:
        case 3:
            return AuthorityAnswer::no;
        default:
            return AuthorityAnswer::unavailable;
    }
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

std::string_view promptFor(std::string_view command) {
    // The monitor's own prompts, so that a second dialog reads like the first.
    if (command == "start") {
        return "tarvex Monitor needs your password to start the database service.";
    }
    if (command == "stop") {
        return "tarvex Monitor needs your password to stop the database service.";
    }
    if (command == "restart") {
        return "tarvex Monitor needs your password to restart the database service.";
    }
    if (command == "initialize") {
        return "tarvex Monitor needs your password to initialize the database. All current "
               "data will be erased.";
    }
    if (command == "uninstall") {
        return "tarvex Monitor needs your password to uninstall tarvex and remove all data.";
    }
    if (command == "enable-boot" || command == "disable-boot") {
        return "tarvex Monitor needs your password to change whether the database service "
               "starts at boot.";
    }
    return "tarvex Monitor needs your password to change the database service's setup.";
}

std::optional<HelperReply> authorize(std::string_view command, const Caller& caller,
                                     uid_t helperUid, Authority& authority) {
    const Decision decision = decide(command, caller, helperUid);
    const std::string refusal = std::string(NOT_AUTHORIZED) + std::string(command);
    switch (decision.kind) {
        case Decision::Kind::allow:
            return std::nullopt;
        case Decision::Kind::refuse:
            return HelperReply{false, refusal};
        case Decision::Kind::ask:
            break;
    }
    switch (authority.check(caller, decision.action, promptFor(command))) {
        case AuthorityAnswer::yes:
            return std::nullopt;
        case AuthorityAnswer::no:
            return HelperReply{false, refusal};
        case AuthorityAnswer::unavailable:
            break;
    }
    return HelperReply{false, refusal + std::string(AUTHORIZATION_UNAVAILABLE)};
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
