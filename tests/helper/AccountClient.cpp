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

// Runs in the forked child: only system calls, no allocation. Once told to go, sends each
// frame on a connection of its own, in turn, and passes on the replies as they come.
[[noreturn]] void exchangeAs(uid_t uid, const sockaddr_un& address,
                             const std::vector<std::string>& frames, int out, int go) {
    // Dumpable again, as a process of that account started from a program is: otherwise its
    // /proc entries stay root's and the helper cannot tell who it is.
    if (setgroups(0, nullptr) != 0 || setresgid(uid, uid, uid) != 0 ||
        setresuid(uid, uid, uid) != 0 || geteuid() != uid || prctl(PR_SET_DUMPABLE, 1) != 0) {
        _exit(CANNOT_DROP);
    }
    char buffer[65536];
    if (read(go, buffer, 1) != 1) {
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
    return askAs(uid, socketPath, std::vector<HelperRequest>{{command, args}}, {}).front();
}

std::vector<HelperReply> askAs(uid_t uid, const std::string& socketPath,
                               const std::vector<HelperRequest>& requests,
                               const std::function<void(pid_t)>& beforeSending) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, socketPath.c_str(), sizeof address.sun_path - 1);
    std::vector<std::string> frames;
    for (const HelperRequest& request : requests) {
        frames.push_back(encodeRequest(request));
    }
    int fds[2];
    int go[2];
    if (pipe2(fds, O_CLOEXEC) != 0 || pipe2(go, O_CLOEXEC) != 0) {
        return {{false, "<no pipe>"}};
    }
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        close(go[1]);
        exchangeAs(uid, address, frames, fds[1], go[0]);
    }
    close(fds[1]);
    close(go[0]);
    if (pid < 0) {
        close(fds[0]);
        close(go[1]);
        return {{false, "<no fork>"}};  // and never kill(-1) below
    }
    if (beforeSending) {
        beforeSending(pid);
    }
    (void)!write(go[1], "g", 1);
    close(go[1]);
    // Bounded: a helper that never answers leaves the child blocked, so it is killed.
    const std::string received = readUntilClosed(fds[0], 40000);
    close(fds[0]);
    kill(pid, SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);
    if (WIFEXITED(status) && WEXITSTATUS(status) == CANNOT_DROP) {
        return {{false, "<cannot drop to uid " + std::to_string(uid) + ">"}};
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) == CANNOT_CONNECT) {
        return {{false, "<uid " + std::to_string(uid) + " cannot connect to " + socketPath + ">"}};
    }
    if (requests.size() == 1) {
        return {decodeWholeReply(received)};  // exactly one frame, nothing after it
    }
    std::vector<HelperReply> replies;
    ReplyDecode decoded;
    for (std::string_view rest = received;
         (decoded = decodeReply(rest)).status == DecodeStatus::complete;
         rest.remove_prefix(decoded.consumed)) {
        replies.push_back(decoded.reply);
    }
    return replies;
}

}  // namespace tarvex::testing
