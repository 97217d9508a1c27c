#pragma once

#include <optional>
#include <string>
#include <vector>

namespace tarvex {

struct HelperOptions {
    enum class Action { run, help, version, usageError };
    Action action = Action::run;
    std::optional<std::string> prefix;   // --prefix DIR
    std::optional<std::string> socket;   // --socket PATH
    std::optional<std::string> pkcheck;  // --pkcheck PATH
    std::string error;                   // what was wrong, for usageError
};

// Reads the command line (without the program name).
HelperOptions parseHelperOptions(const std::vector<std::string>& arguments);

std::string helperUsage();

// The whole program: options, the listening socket, serving until SIGTERM or SIGINT.
// Answers the exit status: 0 after a signal, 1 when it cannot start, 2 on a usage error.
int runHelperProgram(int argc, char** argv);

}  // namespace tarvex
