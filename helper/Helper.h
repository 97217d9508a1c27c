#pragma once

#include <sys/types.h>

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "helper/AuditLog.h"
#include "helper/Authorization.h"
#include "helper/Caller.h"
#include "shared/HelperProtocol.h"

namespace tarvex {

// How long the tool may run: status briefly, the operations generously. Past its limit the
// tool's process group gets SIGTERM, and SIGKILL `killGrace` later.
struct ToolLimits {
    std::chrono::milliseconds status = STATUS_RUN_LIMIT;
    std::chrono::milliseconds operation = OPERATION_RUN_LIMIT;
    std::chrono::milliseconds killGrace{5000};
};

// The root helper's request handler. It holds no state between requests but the audit trail's
// counts: every request builds its own process and pipe, so requests on different connections
// may run at the same time.
class Helper final : public TarvexHelperProtocol {
public:
    // `helperUid` is the effective uid the helper runs as: callers with it are let through,
    // and when it is root the tool must sit where only root can change it.
    Helper(Authority& authority, uid_t helperUid, AuditSink audit = systemAuditSink,
           ToolLimits limits = {});

    // The whole path of one request from `caller`: `admit`, `check` when asked for, `run`.
    // Replies exactly once, with the tool's success and combined output or the refusal.
    void serve(const Caller& caller, const HelperRequest& request, Reply withReply);

    // `serve` for a request made by the helper's own uid.
    void execute(const std::string& command, const std::vector<std::string>& args,
                 Reply withReply) override;

    // What can be decided at once, without waiting for anyone: the allow-list, no arguments,
    // and the policy for this caller. Either the refusal to reply, or whether the authority
    // must be asked (`check`, which may wait for a password) before the tool runs.
    struct Admission {
        std::optional<HelperReply> refusal;
        bool needsCheck = false;
    };
    Admission admit(const Caller& caller, const HelperRequest& request);

    // Asks the authority; nullopt when the caller may go ahead, else the refusal to reply.
    std::optional<HelperReply> check(const Caller& caller, const std::string& command);

    // The refusal for a check that cannot be asked now: as many wait already as may.
    HelperReply checksBusy(const Caller& caller, const std::string& command);

    // Runs the trusted tool with the command alone, within its time limit.
    HelperReply run(const Caller& caller, const std::string& command);

    // Writes the audit trail's summaries that are due; answers when the next one may be.
    std::optional<std::chrono::steady_clock::time_point> flushAudit();

    uid_t helperUid() const { return helperUid_; }

private:
    HelperReply refuse(const Caller& caller, const std::string& command, HelperReply refusal);

    Authority& authority_;
    uid_t helperUid_;
    std::shared_ptr<AuditTrail> audit_;  // written from the loop and from workers
    ToolLimits limits_;
};

}  // namespace tarvex
