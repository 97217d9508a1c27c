#include "tests/monitor/privileged/FakeHelperServer.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

#include "shared/WireFormat.h"
#include "tests/support/HelperSocket.h"

namespace tarvex::testing {

FakeHelperServer::FakeHelperServer(std::string socketPath, Handler handler)
    : socketPath_(std::move(socketPath)), handler_(std::move(handler)) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (socketPath_.size() >= sizeof address.sun_path) {
        return;
    }
    std::memcpy(address.sun_path, socketPath_.c_str(), socketPath_.size() + 1);
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return;
    }
    if (bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        listen(fd, 16) != 0) {
        close(fd);
        return;
    }
    listenFd_ = fd;
    acceptThread_ = std::thread([this] { acceptLoop(); });
}

FakeHelperServer::~FakeHelperServer() {
    if (listenFd_ >= 0) {
        // Wakes the blocked accept().
        shutdown(listenFd_, SHUT_RDWR);
        acceptThread_.join();
        close(listenFd_);
        unlink(socketPath_.c_str());
    }
    for (std::thread& connection : connections_) {
        connection.join();
    }
}

std::vector<HelperRequest> FakeHelperServer::requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

void FakeHelperServer::acceptLoop() {
    for (;;) {
        const int fd = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) {
            if (errno == EINTR) {
                continue;
            }
            return;
        }
        std::lock_guard lock(mutex_);
        connections_.emplace_back([this, fd] { serve(fd); });
    }
}

void FakeHelperServer::serve(int fd) {
    char buffer[4096];
    RequestReceiver receiver;
    while (receiver.status() == DecodeStatus::needMore) {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n <= 0) {
            close(fd);
            return;
        }
        receiver.feed(std::string_view(buffer, static_cast<std::size_t>(n)));
    }
    if (receiver.status() == DecodeStatus::malformed) {
        close(fd);
        return;
    }
    const HelperRequest request = receiver.take();
    {
        std::lock_guard lock(mutex_);
        requests_.push_back(request);
    }
    const std::optional<HelperReply> reply = handler_(request);
    if (reply) {
        const std::string frame = encodeReply(*reply);
        writeAll(fd, frame.data(), frame.size());
    }
    close(fd);
}

}  // namespace tarvex::testing
