#include <unistd.h>

#include <utility>
#include <vector>

#include "monitor/privileged/AdminAuthorization.h"
#include "shared/base/ProcessRunner.h"

namespace tarvex {

namespace {

constexpr int PKCHECK_AUTHORIZED = 0;
constexpr int PKCHECK_ERROR = 127;

// pkcheck's replies are short; the output only matters to a human reading a trace.
constexpr std::size_t PKCHECK_OUTPUT_CAP = 64 * 1024;

bool runPkcheck(const std::string& pkcheck, const std::string* prompt, int& status) {
    std::vector<std::string> argv = {pkcheck, "--action-id", std::string(ADMIN_ACTION_ID),
                                     // Our own, living process: its pid cannot be reused
                                     // while we wait, so the bare pid form is not racy here.
                                     "--process", std::to_string(getpid()),
                                     "--allow-user-interaction"};
    if (prompt != nullptr) {
        argv.insert(argv.end(), {"--detail", "polkit.message", *prompt});
    }
    const ProcessOutcome outcome = runProcess(argv, PKCHECK_OUTPUT_CAP);
    if (!outcome.launched || outcome.signalled) {
        return false;
    }
    status = outcome.status;
    return true;
}

}  // namespace

std::string findPkcheck() {
    for (const char* candidate : {"/usr/bin/pkcheck", "/bin/pkcheck"}) {
        if (access(candidate, X_OK) == 0) {
            return candidate;
        }
    }
    return "";
}

PolkitAuthorizer::PolkitAuthorizer() : pkcheckPath_(findPkcheck()) {}

PolkitAuthorizer::PolkitAuthorizer(std::string pkcheckPath)
    : pkcheckPath_(std::move(pkcheckPath)) {}

// polkitd takes details, and with them the action-specific "polkit.message", only from trusted
// callers: uid 0, or a user named as the action's owner. From anyone else it refuses the whole
// check before any dialog appears ("Only trusted callers (e.g. uid 0 or an action owner) can
// use CheckAuthorization() and pass details"; pkcheck exits with 127), as seen with polkit 122.
// So the prompt is offered first, and when the check fails with that error it is asked again
// without it: the agent then shows the action's own message. The prompt never decides the
// answer. Denial (1), no agent (2) and a dismissed dialog (3) are final and never asked again.
bool PolkitAuthorizer::authorizeAdmin(const std::string& prompt) {
    if (pkcheckPath_.empty()) {
        return false;
    }
    int status = -1;
    if (!runPkcheck(pkcheckPath_, &prompt, status)) {
        return false;
    }
    if (status == PKCHECK_ERROR && !runPkcheck(pkcheckPath_, nullptr, status)) {
        return false;
    }
    return status == PKCHECK_AUTHORIZED;
}

#ifndef __APPLE__
std::unique_ptr<Authorizer> makePlatformAuthorizer() {
    return std::make_unique<PolkitAuthorizer>();
}
#endif

bool authorizeAdmin(const std::string& prompt) {
    return makePlatformAuthorizer()->authorizeAdmin(prompt);
}

}  // namespace tarvex
