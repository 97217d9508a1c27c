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

// Runs in the forked child: only system calls, no allocation.
[[noreturn]] void exchangeAs(uid_t uid, const sockaddr_un& address, const std::string& frame,
                             int out) {
    // Dumpable again, as a process of that account started from a program is: otherwise its
    // /proc entries stay root's and the helper cannot tell who it is.
    if (setgroups(0, nullptr) != 0 || setresgid(uid, uid, uid) != 0 ||
        setresuid(uid, uid, uid) != 0 || geteuid() != uid || prctl(PR_SET_DUMPABLE, 1) != 0) {
        _exit(CANNOT_DROP);
    }
    const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    if (fd < 0 || connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
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
    _exit(0);
}

}  // namespace

bool runningAsRoot() {
    return geteuid() == 0;
}

HelperReply askAs(uid_t uid, const std::string& socketPath, const std::string& command,
                  const std::vector<std::string>& args) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, socketPath.c_str(), sizeof address.sun_path - 1);
    const std::string frame = encodeRequest({command, args});
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        return {false, "<no pipe>"};
    }
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        exchangeAs(uid, address, frame, fds[1]);
    }
    close(fds[1]);
    // Bounded: a helper that never answers leaves the child blocked, so it is killed.
    const std::string received = readUntilClosed(fds[0], 40000);
    close(fds[0]);
    kill(pid, SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);
    if (WIFEXITED(status) && WEXITSTATUS(status) == CANNOT_DROP) {
        return {false, "<cannot drop to uid " + std::to_string(uid) + ">"};
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) == CANNOT_CONNECT) {
        return {false, "<uid " + std::to_string(uid) + " cannot connect to " + socketPath + ">"};
    }
    return decodeWholeReply(received);
}

}  // namespace tarvex::testing
