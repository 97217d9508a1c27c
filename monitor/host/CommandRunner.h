#pragma once

#include <string>
#include <vector>

namespace tarvex {

struct CommandResult {
    std::string output;  // standard output and standard error as written; empty if not UTF-8
    int exitCode;        // exit status, the signal number for a signalled child, -1 if not started
};

// Runs command[0] by path (no shell, no search path) with command[1..] as arguments, with the
// caller's rights, and blocks until it exits. A child that cannot be started yields the launch
// error's description and -1.
CommandResult runCommand(const std::vector<std::string>& command);

}  // namespace tarvex
