#include "helper/Helper.h"

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

}  // namespace

bool Helper::listener(const PeerCredentials& /*shouldAcceptNewConnection*/) const {
    return true;
}

void Helper::execute(const std::string& command, const std::vector<std::string>& args,
                     Reply withReply) {
    if (!isAllowedCommand(command)) {
        withReply(false, std::string(COMMAND_NOT_ALLOWED) + command);
        return;
    }
    std::vector<std::string> argv;
    argv.reserve(args.size() + 2);
    argv.push_back(TARVEXCTL);
    argv.push_back(command);
    argv.insert(argv.end(), args.begin(), args.end());

    ProcessOutcome outcome = runProcess(argv, MAX_REPLY_OUTPUT + 1);
    if (!outcome.launched) {
        withReply(false, std::move(outcome.launchError));
        return;
    }
    std::string output = std::move(outcome.output);
    capOutput(output);
    if (!isValidUtf8(output)) {
        output.clear();
    }
    // A tool killed by a signal has not succeeded, whatever number the signal has.
    const bool success = !outcome.signalled && outcome.status == 0;
    withReply(success, std::move(output));
}

}  // namespace tarvex
