#include "helper/Helper.h"

#include <unistd.h>

#include <optional>

#include "helper/ToolEnvironment.h"
#include "helper/TrustedTool.h"
#include "shared/AuthorizationText.h"
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
    if (outcome.timedOut) {
        return "stopped at its time limit";
    }
    return (outcome.signalled ? "signal " : "exit ") + std::to_string(outcome.status);
}

std::string timeLimitReached(std::chrono::milliseconds limit) {
    return "The program \"" + TARVEXCTL + "\" did not finish within " +
           std::to_string(std::chrono::duration_cast<std::chrono::seconds>(limit).count()) +
           " s and was stopped";
}

}  // namespace

Helper::Helper(Authority& authority, uid_t helperUid, AuditSink audit, ToolLimits limits)
    : authority_(authority),
      helperUid_(helperUid),
      audit_(std::make_shared<AuditTrail>(std::move(audit))),
      limits_(limits) {}

HelperReply Helper::refuse(const Caller& caller, const std::string& command, HelperReply refusal) {
    audit_->write(caller.budgetAccount(), auditLine(caller, command, "refused", refusal.output));
    return refusal;
}

Helper::Admission Helper::admit(const Caller& caller, const HelperRequest& request) {
    const std::string& command = request.command;
    if (!isAllowedCommand(command)) {
        return {refuse(caller, command, {false, std::string(COMMAND_NOT_ALLOWED) + command})};
    }
    if (!request.args.empty()) {
        return {refuse(caller, command, {false, std::string(ARGUMENTS_NOT_ALLOWED)})};
    }
    if (decide(command, caller, helperUid_).kind == Decision::Kind::ask) {
        return {std::nullopt, true};
    }
    // Allowed or refused by the policy alone: nobody is asked, so this does not wait.
    return {check(caller, command)};
}

std::optional<HelperReply> Helper::check(const Caller& caller, const std::string& command) {
    std::optional<HelperReply> refusal = authorize(command, caller, helperUid_, authority_);
    if (refusal) {
        return refuse(caller, command, std::move(*refusal));
    }
    return std::nullopt;
}

HelperReply Helper::checksBusy(const Caller& caller, const std::string& command) {
    return refuse(caller, command,
                  {false, notAuthorizedText(command, AuthorizationRefusal::unavailable)});
}

void Helper::serve(const Caller& caller, const HelperRequest& request, Reply withReply) {
    Admission admission = admit(caller, request);
    if (!admission.refusal && admission.needsCheck) {
        admission.refusal = check(caller, request.command);
    }
    HelperReply reply =
        admission.refusal ? std::move(*admission.refusal) : run(caller, request.command);
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

std::optional<std::chrono::steady_clock::time_point> Helper::flushAudit() {
    return audit_->flush();
}

HelperReply Helper::run(const Caller& caller, const std::string& command) {
    const auto audit = [&](std::string_view decision, std::string_view result) {
        audit_->write(caller.budgetAccount(), auditLine(caller, command, decision, result));
    };
    std::string program = TARVEXCTL;
    if (helperUid_ == 0) {
        const ToolCheck check = checkTrustedTool(TARVEXCTL);
        if (check.error != 0) {
            // Nothing there to run: answer as a failed launch would.
            HelperReply reply{false, describeLaunchError(TARVEXCTL, check.error)};
            if (command != "status") {
                audit("allowed", "not started");
            }
            return reply;
        }
        if (!check.problem.empty()) {
            HelperReply reply{false,
                              std::string(REFUSING_TO_RUN) + TARVEXCTL + ": " + check.problem};
            audit("refused", reply.output);
            return reply;
        }
        // Run what was checked, not a path a link could point elsewhere by now.
        program = check.resolved;
    }
    ProcessSettings settings;
    settings.maxOutput = MAX_REPLY_OUTPUT + 1;
    settings.environment = toolEnvironment();
    settings.timeLimit = command == "status" ? limits_.status : limits_.operation;
    settings.killGrace = limits_.killGrace;
    settings.ownProcessGroup = true;
    ProcessOutcome outcome = runProcess({program, command}, settings);
    if (command != "status" || outcome.timedOut) {
        audit("allowed", describeResult(outcome));
    }
    if (!outcome.launched) {
        return HelperReply{false, std::move(outcome.launchError)};
    }
    std::string output = std::move(outcome.output);
    capOutput(output);
    if (!isValidUtf8(output)) {
        output.clear();
    }
    if (outcome.timedOut) {
        // What it wrote until then, and why it ended there.
        if (!output.empty() && output.back() != '\n') {
            output += '\n';
        }
        output += timeLimitReached(settings.timeLimit);  // within the reply's room for our texts
    }
    // A tool killed by a signal has not succeeded, whatever number the signal has.
    return HelperReply{!outcome.signalled && outcome.status == 0 && !outcome.timedOut,
                       std::move(output)};
}

}  // namespace tarvex
