#include <unistd.h>

#include <utility>
#include <vector>

#include "monitor/privileged/AdminAuthorization.h"
#include "shared/base/ProcessRunner.h"

namespace tarvex {

namespace {

constexpr int PKCHECK_AUTHORIZED = 0;
constexpr int PKCHECK_NO_AGENT = 2;
constexpr int PKCHECK_CANNOT_RUN = 126;
constexpr int PKCHECK_ERROR = 127;

// pkcheck's replies are short; the output only matters to a human reading a trace.
constexpr std::size_t PKCHECK_OUTPUT_CAP = 64 * 1024;

struct PkcheckRun {
    bool finished = false;  // exited on its own; `status` holds its exit status
    int status = -1;
    std::string failure;  // why it did not finish
    std::string output;
};

// The first line pkcheck wrote, for the user to read in an alert.
std::string firstLine(const std::string& output) {
    const std::string line = output.substr(0, output.find('\n'));
    return line.empty() ? std::string("no details given") : line;
}

PkcheckRun runPkcheck(const std::string& pkcheck, const std::string* prompt) {
    std::vector<std::string> argv = {pkcheck, "--action-id", std::string(ADMIN_ACTION_ID),
                                     // Our own, living process: its pid cannot be reused
                                     // while we wait, so the bare pid form is not racy here.
                                     "--process", std::to_string(getpid()),
                                     "--allow-user-interaction"};
    if (prompt != nullptr) {
        argv.insert(argv.end(), {"--detail", "polkit.message", *prompt});
    }
    const ProcessOutcome outcome = runProcess(argv, PKCHECK_OUTPUT_CAP);
    if (!outcome.launched) {
        return {false, -1, pkcheck + " could not be started: " + outcome.launchError, ""};
    }
    if (outcome.signalled) {
        return {false, -1, pkcheck + " was ended by signal " + std::to_string(outcome.status),
                outcome.output};
    }
    return {true, outcome.status, "", outcome.output};
}

// Declined (1) and dismissed (3) are the user's answers; the others mean nobody could ask.
std::string whyNobodyCouldAsk(const PkcheckRun& run) {
    if (!run.finished) {
        return run.failure;
    }
    switch (run.status) {
        case PKCHECK_AUTHORIZED:
        case 1:
        case 3:
            return {};
        case PKCHECK_NO_AGENT:
            return "No polkit authentication agent is running in this session, so nobody "
                   "could ask for the administrator password.";
        case PKCHECK_CANNOT_RUN:
            return "pkcheck could not be run: " + firstLine(run.output);
        case PKCHECK_ERROR:
            return "The polkit authorization service could not be asked: " + firstLine(run.output);
        default:
            return "pkcheck failed with status " + std::to_string(run.status) + ": " +
                   firstLine(run.output);
    }
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
// answer. Denial (1), no agent (2) and a dismissed dialog (3) are final and never asked again;
// of these only no agent is not the user's own answer, and it says so.
bool PolkitAuthorizer::authorizeAdmin(const std::string& prompt) {
    if (pkcheckPath_.empty()) {
        unavailableReason_ =
            "pkcheck (polkit) is not installed, so the administrator right "
            "cannot be asked for.";
        return false;
    }
    PkcheckRun run = runPkcheck(pkcheckPath_, &prompt);
    if (run.finished && run.status == PKCHECK_ERROR) {
        run = runPkcheck(pkcheckPath_, nullptr);
    }
    unavailableReason_ = whyNobodyCouldAsk(run);
    return run.finished && run.status == PKCHECK_AUTHORIZED;
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
