#include "monitor/host/CommandRunner.h"

#include "shared/base/ProcessRunner.h"
#include "shared/base/Utf8.h"

namespace tarvex {

CommandResult runCommand(const std::vector<std::string>& command) {
    ProcessOutcome outcome = runProcess(command);
    if (!outcome.launched) {
        return {std::move(outcome.launchError), -1};
    }
    if (!isValidUtf8(outcome.output)) {
        outcome.output.clear();
    }
    return {std::move(outcome.output), outcome.status};
}

}  // namespace tarvex
