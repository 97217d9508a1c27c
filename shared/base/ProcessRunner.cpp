#include "shared/base/ProcessRunner.h"
#include "shared/base/ProcessSpawning.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <optional>
#include <thread>

extern char** environ;

namespace tarvex {

namespace {

class FileActions {
public:
    FileActions() { ok_ = posix_spawn_file_actions_init(&actions_) == 0; }
    ~FileActions() {
        if (ok_) {
            posix_spawn_file_actions_destroy(&actions_);
        }
    }
    FileActions(const FileActions&) = delete;
    FileActions& operator=(const FileActions&) = delete;
    posix_spawn_file_actions_t* get() { return ok_ ? &actions_ : nullptr; }

private:
    posix_spawn_file_actions_t actions_{};
    bool ok_ = false;
};

class SpawnAttributes {
public:
    SpawnAttributes() { ok_ = posix_spawnattr_init(&attr_) == 0; }
    ~SpawnAttributes() {
        if (ok_) {
            posix_spawnattr_destroy(&attr_);
        }
    }
    SpawnAttributes(const SpawnAttributes&) = delete;
    SpawnAttributes& operator=(const SpawnAttributes&) = delete;
    posix_spawnattr_t* get() { return ok_ ? &attr_ : nullptr; }

private:
    posix_spawnattr_t attr_{};
    bool ok_ = false;
};

void append(ProcessOutcome& outcome, const char* data, std::size_t size, std::size_t cap) {
    const std::size_t room = outcome.output.size() < cap ? cap - outcome.output.size() : 0;
    const std::size_t keep = size < room ? size : room;
    outcome.output.append(data, keep);
    if (keep < size) {
        outcome.truncated = true;
    }
}

// How much can sit unread in the pipe: all that the child wrote before it exited fits in this.
std::size_t pipeCapacity(int fd) {
#ifdef F_GETPIPE_SZ
    const int size = fcntl(fd, F_GETPIPE_SZ);
    if (size > 0) {
        return static_cast<std::size_t>(size);
    }
#else
    (void)fd;
#endif
    return 1024 * 1024;
}

using Clock = std::chrono::steady_clock;

// Watches the child: notices its exit without reaping it, so that its pid, and the process
// group it may lead, cannot be taken by another process while what is left of the group is
// ended; and ends it once it outlives its time limit.
class ChildWatch {
public:
    ChildWatch(pid_t pid, const ProcessSettings& settings, Clock::time_point started)
        : pid_(pid), group_(settings.ownProcessGroup), grace_(settings.killGrace) {
        if (settings.timeLimit.count() > 0) {
            deadline_ = started + settings.timeLimit;
        }
    }

    bool limited() const { return deadline_.has_value(); }

    // True once the child has exited (or can no longer be waited for).
    bool exited(bool block = false) {
        while (!exited_) {
            siginfo_t info{};
            const int flags = WEXITED | WNOWAIT | (block ? 0 : WNOHANG);
            if (waitid(P_PID, static_cast<id_t>(pid_), &info, flags) == 0) {
                exited_ = info.si_pid == pid_;
                if (!exited_ && !block) {
                    break;
                }
            } else if (errno != EINTR) {
                exited_ = lost_ = true;
            }
        }
        return exited_;
    }

    // Sends what the time limit calls for by now.
    void enforce(ProcessOutcome& outcome) {
        if (exited_ || !deadline_ || stage_ == Stage::killed) {
            return;
        }
        const auto now = Clock::now();
        if (stage_ == Stage::running && now >= *deadline_) {
            outcome.timedOut = true;
            if (group_) {
                kill(-pid_, SIGTERM);
                killAt_ = now + grace_;
                stage_ = Stage::terminated;
            } else {
                kill(pid_, SIGKILL);
                stage_ = Stage::killed;
            }
        } else if (stage_ == Stage::terminated && now >= killAt_) {
            kill(-pid_, SIGKILL);
            stage_ = Stage::killed;
        }
    }

    // After the exit: ends the rest of a group that outlived its limit, then reaps the child.
    bool reap(int& waitStatus) {
        if (group_ && stage_ != Stage::running) {
            kill(-pid_, SIGKILL);  // the unreaped child still holds the group's id
        }
        while (!lost_) {
            const pid_t done = waitpid(pid_, &waitStatus, 0);
            if (done == pid_) {
                return true;
            }
            if (done < 0 && errno != EINTR) {
                break;
            }
        }
        return false;
    }

private:
    enum class Stage { running, terminated, killed };
    pid_t pid_;
    bool group_;
    std::chrono::milliseconds grace_;
    std::optional<Clock::time_point> deadline_;
    Clock::time_point killAt_;
    Stage stage_ = Stage::running;
    bool exited_ = false;
    bool lost_ = false;  // someone else reaped it: its status is unknown
};

// Reads until end of file, or until the child has exited and what it left in the pipe has been
// read. The exit is checked on every pass, so a grandchild that keeps writing into the inherited
// pipe cannot hold the caller: after the exit at most one pipe's worth more is read.
void drain(int fd, ChildWatch& child, ProcessOutcome& outcome, std::size_t cap) {
    char buffer[65536];
    std::size_t leftAfterExit = 0;
    bool exited = false;
    for (;;) {
        if (!exited && child.exited()) {
            exited = true;
            leftAfterExit = pipeCapacity(fd);
        }
        child.enforce(outcome);
        pollfd pfd{fd, POLLIN, 0};
        const int ready = poll(&pfd, 1, exited ? 0 : 100);
        if (ready < 0) {
            if (errno == EINTR) {
                continue;
            }
            return;
        }
        if (ready == 0) {
            if (exited) {
                return;  // the child is gone and a leftover writer is quiet: stop here
            }
            continue;
        }
        const std::size_t want =
            exited && leftAfterExit < sizeof buffer ? leftAfterExit : sizeof buffer;
        const ssize_t n = read(fd, buffer, want);
        if (n > 0) {
            append(outcome, buffer, static_cast<std::size_t>(n), cap);
            if (exited) {
                leftAfterExit -= static_cast<std::size_t>(n);
                if (leftAfterExit == 0) {
                    return;
                }
            }
        } else if (n == 0) {
            return;
        } else if (errno != EINTR && errno != EAGAIN) {
            return;
        }
    }
}

}  // namespace

std::string describeLaunchError(const std::string& path, int error) {
    return "The program \"" + path + "\" could not be started: " + std::strerror(error);
}

bool setCloseOnExec(int fd) {
    const int flags = fcntl(fd, F_GETFD);
    return flags >= 0 && fcntl(fd, F_SETFD, flags | FD_CLOEXEC) == 0;
}

ProcessOutcome runProcess(const std::vector<std::string>& argv, std::size_t maxOutput) {
    ProcessSettings settings;
    settings.maxOutput = maxOutput;
    return runProcess(argv, settings);
}

ProcessOutcome runProcess(const std::vector<std::string>& argv, const ProcessSettings& settings) {
    ProcessOutcome outcome;
    if (argv.empty()) {
        outcome.launchError = "No program given";
        return outcome;
    }
    int fds[2];
    if (!makeCloseOnExecPipe(fds)) {
        outcome.launchError = describeLaunchError(argv[0], errno);
        return outcome;
    }

    FileActions actions;
    SpawnAttributes attributes;
    if (!actions.get() || !attributes.get()) {
        close(fds[0]);
        close(fds[1]);
        outcome.launchError = describeLaunchError(argv[0], ENOMEM);
        return outcome;
    }
    posix_spawn_file_actions_adddup2(actions.get(), fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(actions.get(), fds[1], STDERR_FILENO);
    short flags = POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK;
    if (settings.ownProcessGroup) {
        flags |= POSIX_SPAWN_SETPGROUP;
        posix_spawnattr_setpgroup(attributes.get(), 0);
        posix_spawn_file_actions_addopen(actions.get(), STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    }
    closeOtherDescriptors(*actions.get(), flags);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    sigaddset(&defaults, SIGCHLD);
    sigset_t emptyMask;
    sigemptyset(&emptyMask);
    posix_spawnattr_setsigdefault(attributes.get(), &defaults);
    posix_spawnattr_setsigmask(attributes.get(), &emptyMask);
    posix_spawnattr_setflags(attributes.get(), flags);

    std::vector<char*> args;
    args.reserve(argv.size() + 1);
    for (const auto& arg : argv) {
        args.push_back(const_cast<char*>(arg.c_str()));
    }
    args.push_back(nullptr);
    std::vector<char*> environment;
    if (settings.environment) {
        environment.reserve(settings.environment->size() + 1);
        for (const auto& entry : *settings.environment) {
            environment.push_back(const_cast<char*>(entry.c_str()));
        }
        environment.push_back(nullptr);
    }

    const auto started = std::chrono::steady_clock::now();
    pid_t pid = -1;
    const int spawnError =
        posix_spawn(&pid, argv[0].c_str(), actions.get(), attributes.get(), args.data(),
                    settings.environment ? environment.data() : environ);
    close(fds[1]);
    if (spawnError != 0) {
        close(fds[0]);
        outcome.launchError = describeLaunchError(argv[0], spawnError);
        return outcome;
    }
    outcome.launched = true;

    ChildWatch child(pid, settings, started);
    drain(fds[0], child, outcome, settings.maxOutput);
    close(fds[0]);
    // A child that closed its output early still counts against the time limit. Most exit
    // right after closing it, so the first looks come soon.
    for (auto pause = std::chrono::microseconds(50); !child.exited(!child.limited());
         pause = std::min(pause * 2, std::chrono::microseconds(10000))) {
        child.enforce(outcome);
        std::this_thread::sleep_for(pause);
    }
    int waitStatus = 0;
    const bool reaped = child.reap(waitStatus);
    if (reaped && WIFSIGNALED(waitStatus)) {
        outcome.signalled = true;
        outcome.status = WTERMSIG(waitStatus);
    } else if (reaped && WIFEXITED(waitStatus)) {
        outcome.status = WEXITSTATUS(waitStatus);
    }
    return outcome;
}

}  // namespace tarvex
