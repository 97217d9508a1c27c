#include "tests/helper/AccountClient.h"

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>

#include "shared/WireFormat.h"
#include "tests/helper/RawClient.h"

namespace tarvex::testing {

namespace {

// Exit codes of the child that say why it has no reply to pass on.
constexpr int CANNOT_DROP = 10;
constexpr int CANNOT_CONNECT = 11;

// Runs in the forked child: only system calls, no allocation. Sends each frame on a
// connection of its own, one after the other, and passes on every reply as it came.
[[noreturn]] void exchangeAs(uid_t uid, const sockaddr_un& address,
                             const std::vector<std::string>& frames, int out, int go) {
    // Dumpable again, as a process of that account started from a program is: otherwise its
    // /proc entries stay root's and the helper cannot tell who it is.
    if (setgroups(0, nullptr) != 0 || setresgid(uid, uid, uid) != 0 ||
        setresuid(uid, uid, uid) != 0 || geteuid() != uid || prctl(PR_SET_DUMPABLE, 1) != 0) {
        _exit(CANNOT_DROP);
    }
    char ready = 0;
    if (go >= 0 && read(go, &ready, 1) != 1) {
        _exit(CANNOT_CONNECT);
    }
    for (const std::string& frame : frames) {
        const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
        if (fd < 0 ||
            connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
            _exit(CANNOT_CONNECT);
        }
        for (std::size_t sent = 0; sent < frame.size();) {
            const ssize_t n = write(fd, frame.data() + sent, frame.size() - sent);
            if (n <= 0) {
                break;  // the helper may hang up early; whatever it answered is still read
            }
            sent += static_cast<std::size_t>(n);
        }
        char buffer[65536];
        for (;;) {
            const ssize_t n = read(fd, buffer, sizeof buffer);
            if (n <= 0 || write(out, buffer, static_cast<std::size_t>(n)) != n) {
                break;
            }
        }
        close(fd);
    }
    _exit(0);
}

}  // namespace

bool runningAsRoot() {
    return geteuid() == 0;
}

HelperReply askAs(uid_t uid, const std::string& socketPath, const std::string& command,
                  const std::vector<std::string>& args) {
    AccountProcess process(uid, socketPath, {encodeRequest({command, args})}, false);
    process.go();
    return process.replies().front();
}

AccountProcess::AccountProcess(uid_t uid, std::string socketPath,
                               const std::vector<std::string>& frames, bool waitForGo)
    : uid_(uid), socketPath_(std::move(socketPath)) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, socketPath_.c_str(), sizeof address.sun_path - 1);
    int fds[2];
    int goFds[2] = {-1, -1};
    if (pipe2(fds, O_CLOEXEC) != 0 || (waitForGo && pipe2(goFds, O_CLOEXEC) != 0)) {
        return;
    }
    pid_ = fork();
    if (pid_ == 0) {
        close(fds[0]);
        if (goFds[1] >= 0) {
            close(goFds[1]);
        }
        exchangeAs(uid, address, frames, fds[1], goFds[0]);
    }
    close(fds[1]);
    if (goFds[0] >= 0) {
        close(goFds[0]);
    }
    out_ = fds[0];
    go_ = goFds[1];
}

AccountProcess::~AccountProcess() {
    finish();
}

void AccountProcess::go() {
    if (go_ >= 0) {
        const char ready = 1;
        (void)!write(go_, &ready, 1);
        close(go_);
        go_ = -1;
    }
}

std::vector<HelperReply> AccountProcess::replies(int limitMs) {
    go();
    // Bounded: a helper that never answers leaves the child blocked, so it is killed.
    const std::string received = out_ >= 0 ? readUntilClosed(out_, limitMs) : std::string();
    const int status = finish();
    if (WIFEXITED(status) && WEXITSTATUS(status) == CANNOT_DROP) {
        return {{false, "<cannot drop to uid " + std::to_string(uid_) + ">"}};
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) == CANNOT_CONNECT) {
        return {
            {false, "<uid " + std::to_string(uid_) + " cannot connect to " + socketPath_ + ">"}};
    }
    std::vector<HelperReply> replies;
    std::string_view rest = received;
    do {
        const ReplyDecode decoded = decodeReply(rest);
        if (decoded.status != DecodeStatus::complete) {
            replies.push_back(decodeWholeReply(std::string(rest)));
            break;
        }
        replies.push_back(decoded.reply);
        rest.remove_prefix(decoded.consumed);
    } while (!rest.empty());
    return replies;
}

int AccountProcess::finish() {
    int status = 0;
    if (pid_ > 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, &status, 0);
        pid_ = -1;
    }
    for (int* fd : {&out_, &go_}) {
        if (*fd >= 0) {
            close(*fd);
            *fd = -1;
        }
    }
    return status;
}

}  // namespace tarvex::testing
