#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

#include "helper/AuditLog.h"
#include "helper/Authorization.h"
#include "helper/Caller.h"
#include "shared/HelperProtocol.h"

namespace tarvex {

// The root helper's request handler. It holds no state between requests: every request builds
// its own process and pipe, so requests on different connections may run at the same time.
class Helper final : public TarvexHelperProtocol {
public:
    // `helperUid` is the effective uid the helper runs as: callers with it are let through,
    // and when it is root the tool must sit where only root can change it.
    Helper(Authority& authority, uid_t helperUid, AuditSink audit = systemAuditSink);

    // Asked once for every new connection, before anything is read from it. Every client is
    // accepted: what a caller may do is decided per request, in `serve`.
    bool listener(const Caller& shouldAcceptNewConnection) const;

    // The whole path of one request from `caller`, in this order: the allow-list, no arguments,
    // the caller's authorization, a trusted tool; then the tool runs with the command alone.
    // Replies exactly once, with the tool's success and combined output or the refusal.
    void serve(const Caller& caller, const HelperRequest& request, Reply withReply);

    // `serve` for a request made by the helper's own uid.
    void execute(const std::string& command, const std::vector<std::string>& args,
                 Reply withReply) override;

    uid_t helperUid() const { return helperUid_; }

private:
    HelperReply runTool(const Caller& caller, const std::string& command);

    Authority& authority_;
    uid_t helperUid_;
    AuditSink audit_;
};

}  // namespace tarvex
