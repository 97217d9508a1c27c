#pragma once

// A Unix socket that a helper would listen on but that never accepts a connection: either its
// backlog is left with room (a connect succeeds, the request is never read, no reply comes), or
// it is filled up first (a connect is never accepted at all).

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

namespace tarvex::testing {

class SilentListener {
public:
    SilentListener(const std::string& path, bool fillBacklog) : path_(path) {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        if (path.size() >= sizeof address.sun_path) {
            return;
        }
        std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
        listenFd_ = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (listenFd_ < 0 ||
            bind(listenFd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
            listen(listenFd_, fillBacklog ? 0 : 16) != 0) {
            return;
        }
        ready_ = true;
        // Queue connections until the kernel refuses one more: from then on it stays full.
        while (fillBacklog) {
            const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
            if (fd < 0) {
                ready_ = false;
                return;
            }
            fillers_.push_back(fd);
            if (connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
                ready_ = errno == EAGAIN;
                return;
            }
        }
    }
    ~SilentListener() {
        for (int fd : fillers_) {
            close(fd);
        }
        if (listenFd_ >= 0) {
            close(listenFd_);
            unlink(path_.c_str());
        }
    }
    SilentListener(const SilentListener&) = delete;
    SilentListener& operator=(const SilentListener&) = delete;

    bool ready() const { return ready_; }

private:
    std::string path_;
    int listenFd_ = -1;
    std::vector<int> fillers_;
    bool ready_ = false;
};

}  // namespace tarvex::testing
