#include "tests/helper/HelperLauncher.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <thread>

#include "tests/helper/RawClient.h"
#include "tests/support/HelperSocket.h"

extern char** environ;

namespace tarvex::testing {

namespace {

int bindListening(const std::string& path) {
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    unlink(path.c_str());
    if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(fd, 128) != 0) {
        if (fd >= 0) {
            close(fd);
        }
        return -1;
    }
    return fd;
}

// Everything the child needs is built before fork: only async-signal-safe calls after it.
struct ChildSetup {
    std::vector<std::string> argvStorage;
    std::vector<char*> argv;
    std::vector<std::string> envStorage;
    std::vector<char*> envp;
    char listenPid[32] = "LISTEN_PID=";

    ChildSetup(const std::vector<std::string>& arguments, bool activated) {
        argvStorage.push_back(TARVEX_HELPER_BINARY);
        argvStorage.insert(argvStorage.end(), arguments.begin(), arguments.end());
        for (auto& a : argvStorage) {
            argv.push_back(a.data());
        }
        argv.push_back(nullptr);
        for (char** e = environ; *e != nullptr; ++e) {
            if (std::strncmp(*e, "LISTEN_", 7) != 0) {
                envStorage.emplace_back(*e);
            }
        }
        if (activated) {
            envStorage.emplace_back("LISTEN_FDS=1");
        }
        for (auto& e : envStorage) {
            envp.push_back(e.data());
        }
        if (activated) {
            envp.push_back(listenPid);
        }
        envp.push_back(nullptr);
    }

    // Writes the child's own pid after "LISTEN_PID=" without any library formatting.
    void fillPid() {
        char digits[16];
        int n = 0;
        for (long pid = getpid(); pid > 0; pid /= 10) {
            digits[n++] = static_cast<char>('0' + pid % 10);
        }
        char* out = listenPid + 11;
        while (n > 0) {
            *out++ = digits[--n];
        }
        *out = '\0';
    }
};

}  // namespace

HelperLauncher::~HelperLauncher() {
    if (pid_ > 0) {
        finish(SIGKILL);
    }
}

bool HelperLauncher::start(const std::vector<std::string>& arguments, Socket socket,
                           const std::string& socketPath) {
    const bool activated = socket == Socket::activated;
    const int listening = activated ? bindListening(socketPath) : -1;
    if (activated && listening < 0) {
        return false;
    }
    int errorFds[2];
    if (pipe2(errorFds, O_CLOEXEC) != 0) {
        return false;
    }
    ChildSetup setup(arguments, activated);
    pid_ = fork();
    if (pid_ == 0) {
        dup2(errorFds[1], STDERR_FILENO);
        if (activated) {
            if (listening == 3) {
                fcntl(3, F_SETFD, 0);  // dup2 onto itself would leave close-on-exec set
            } else {
                dup2(listening, 3);  // dup2 leaves the copy open across exec
            }
            setup.fillPid();
        }
        execve(setup.argv[0], setup.argv.data(), setup.envp.data());
        _exit(127);
    }
    close(errorFds[1]);
    errorPipe_ = errorFds[0];
    if (listening >= 0) {
        close(listening);
    }
    if (pid_ < 0) {
        return false;
    }
    // Ready once the helper answers an empty request (its signal handlers are in place by
    // then); a helper that exits instead has failed to start.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < deadline) {
        std::string error;
        const int fd = connectToHelper(socketPath, error);
        if (fd >= 0) {
            shutdown(fd, SHUT_WR);
            const std::string answer = readUntilClosed(fd, 20000);
            close(fd);
            return !answer.empty();
        }
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            collectErrors();
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
}

void HelperLauncher::collectErrors() {
    if (errorPipe_ < 0) {
        return;
    }
    char buffer[4096];
    pollfd pfd{errorPipe_, POLLIN, 0};
    while (poll(&pfd, 1, 5000) > 0) {
        const ssize_t n = read(errorPipe_, buffer, sizeof buffer);
        if (n <= 0) {
            break;
        }
        errors_.append(buffer, static_cast<std::size_t>(n));
    }
    close(errorPipe_);
    errorPipe_ = -1;
}

int HelperLauncher::finish(int signal) {
    if (pid_ <= 0) {
        return -1;
    }
    if (signal != 0) {
        kill(pid_, signal);
    }
    int status = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    for (;;) {
        const pid_t done = waitpid(pid_, &status, WNOHANG);
        if (done == pid_) {
            break;
        }
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid_, SIGKILL);
            waitpid(pid_, &status, 0);
            pid_ = -1;
            collectErrors();
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    pid_ = -1;
    collectErrors();
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

int HelperLauncher::openDescriptors() const {
    int count = 0;
    std::error_code error;
    for (const auto& entry :
         std::filesystem::directory_iterator("/proc/" + std::to_string(pid_) + "/fd", error)) {
        (void)entry;
        ++count;
    }
    return count;
}

namespace {

std::string readAll(int fd) {
    std::string text;
    char buffer[4096];
    for (;;) {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n <= 0) {
            break;
        }
        text.append(buffer, static_cast<std::size_t>(n));
    }
    close(fd);
    return text;
}

}  // namespace

QuickRun runHelperToEnd(const std::vector<std::string>& arguments) {
    QuickRun run;
    int outFds[2];
    int errFds[2];
    if (pipe2(outFds, O_CLOEXEC) != 0 || pipe2(errFds, O_CLOEXEC) != 0) {
        return run;
    }
    ChildSetup setup(arguments, false);
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(outFds[1], STDOUT_FILENO);
        dup2(errFds[1], STDERR_FILENO);
        execve(setup.argv[0], setup.argv.data(), setup.envp.data());
        _exit(127);
    }
    close(outFds[1]);
    close(errFds[1]);
    run.output = readAll(outFds[0]);  // both are short: no risk of the other pipe filling up
    run.errors = readAll(errFds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return run;
}

}  // namespace tarvex::testing
