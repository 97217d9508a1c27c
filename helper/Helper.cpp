#include "helper/Helper.h"

#include <unistd.h>

#include <optional>

#include "helper/ToolEnvironment.h"
#include "helper/TrustedTool.h"
#include "shared/WireFormat.h"
#include "shared/base/FixedPaths.h"
#include "shared/base/ProcessRunner.h"
#include "shared/base/Utf8.h"

namespace tarvex {

namespace {

// Keeps at most MAX_REPLY_OUTPUT bytes without cutting a character in two, so that a long but
// valid text stays valid. `output` holds one byte more than the cap when the tool wrote more,
// which is what lets the cut see whether the cap falls inside a character.
void capOutput(std::string& output) {
    if (output.size() > MAX_REPLY_OUTPUT) {
        output.resize(utf8PrefixLength(output, MAX_REPLY_OUTPUT));
    }
}

std::string describeResult(const ProcessOutcome& outcome) {
    if (!outcome.launched) {
        return "not started";
    }
    return (outcome.signalled ? "signal " : "exit ") + std::to_string(outcome.status);
}

}  // namespace

Helper::Helper(Authority& authority, uid_t helperUid, AuditSink audit)
    : authority_(authority), helperUid_(helperUid), audit_(std::move(audit)) {}

bool Helper::listener(const Caller& /*shouldAcceptNewConnection*/) const {
    return true;
}

void Helper::serve(const Caller& caller, const HelperRequest& request, Reply withReply) {
    const std::string& command = request.command;
    std::optional<HelperReply> refusal;
    if (!isAllowedCommand(command)) {
        refusal = HelperReply{false, std::string(COMMAND_NOT_ALLOWED) + command};
    } else if (!request.args.empty()) {
        refusal = HelperReply{false, std::string(ARGUMENTS_NOT_ALLOWED)};
    } else {
        refusal = authorize(command, caller, helperUid_, authority_);
    }
    if (refusal) {
        audit_(auditLine(caller, command, "refused", refusal->output));
        withReply(false, std::move(refusal->output));
        return;
    }
    HelperReply reply = runTool(caller, command);
    withReply(reply.success, std::move(reply.output));
}

void Helper::execute(const std::string& command, const std::vector<std::string>& args,
                     Reply withReply) {
    Caller self;
    self.known = true;
    self.uid = helperUid_;
    self.pid = getpid();
    serve(self, HelperRequest{command, args}, std::move(withReply));
}

HelperReply Helper::runTool(const Caller& caller, const std::string& command) {
    std::string program = TARVEXCTL;
    if (helperUid_ == 0) {
        const ToolCheck check = checkTrustedTool(TARVEXCTL);
        if (check.error != 0) {
            // Nothing there to run: answer as a failed launch would.
            HelperReply reply{false, describeLaunchError(TARVEXCTL, check.error)};
            if (command != "status") {
                audit_(auditLine(caller, command, "allowed", "not started"));
            }
            return reply;
        }
        if (!check.problem.empty()) {
            HelperReply reply{false,
                              std::string(REFUSING_TO_RUN) + TARVEXCTL + ": " + check.problem};
            audit_(auditLine(caller, command, "refused", reply.output));
            return reply;
        }
        // Run what was checked, not a path a link could point elsewhere by now.
        program = check.resolved;
    }
    ProcessSettings settings;
    settings.maxOutput = MAX_REPLY_OUTPUT + 1;
    settings.environment = toolEnvironment();
    ProcessOutcome outcome = runProcess({program, command}, settings);
    if (command != "status") {
        audit_(auditLine(caller, command, "allowed", describeResult(outcome)));
    }
    if (!outcome.launched) {
        return HelperReply{false, std::move(outcome.launchError)};
    }
    std::string output = std::move(outcome.output);
    capOutput(output);
    if (!isValidUtf8(output)) {
        output.clear();
    }
    // A tool killed by a signal has not succeeded, whatever number the signal has.
    return HelperReply{!outcome.signalled && outcome.status == 0, std::move(output)};
}

}  // namespace tarvex
