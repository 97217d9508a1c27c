#pragma once

#include <chrono>
#include <cstddef>
#include <limits>
#include <optional>
#include <string>
#include <vector>

namespace tarvex {

struct ProcessOutcome {
    bool launched = false;
    std::string launchError;  // the launch error's description when not launched
    std::string output;       // stdout and stderr as written, raw bytes, at most the cap
    bool truncated = false;   // more than the cap was written; the rest was drained and dropped
    bool signalled = false;
    bool timedOut = false;  // killed because it outlived the time limit (then signalled too)
    int status = -1;        // exit status, or the signal number when signalled
};

struct ProcessSettings {
    std::size_t maxOutput = std::numeric_limits<std::size_t>::max();
    // The child's whole environment, "NAME=value" each; nullopt passes ours on.
    std::optional<std::vector<std::string>> environment;
    // Zero: no limit. Past it the child is killed (SIGKILL) and reaped; one in a process group
    // of its own gets SIGTERM with its whole group, and what is left of the group SIGKILL once
    // the child has exited or `killGrace` has passed.
    std::chrono::milliseconds timeLimit{0};
    std::chrono::milliseconds killGrace{5000};
    // The child leads a process group of its own, so that a time limit ends everything it
    // started and a signal meant for our group (a terminal's Ctrl+C, a service manager's stop)
    // does not reach it. Its standard input is then /dev/null: outside the terminal's
    // foreground group, reading the terminal would stop it.
    bool ownProcessGroup = false;
};

// Starts argv[0] by path (no shell, no search path) with argv[1..] as its arguments. Standard
// output and standard error share one pipe that is drained while the child runs; the child gets
// descriptors 0, 1 and 2 only and default signal handling. Waits until the child has exited.
// Output that a grandchild keeps writing after the child exited is not waited for.
ProcessOutcome runProcess(const std::vector<std::string>& argv,
                          std::size_t maxOutput = std::numeric_limits<std::size_t>::max());
ProcessOutcome runProcess(const std::vector<std::string>& argv, const ProcessSettings& settings);

// The text a failed launch of `path` is answered with.
std::string describeLaunchError(const std::string& path, int error);

// Sets FD_CLOEXEC; false on failure.
bool setCloseOnExec(int fd);

}  // namespace tarvex
