#pragma once

#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "shared/HelperProtocol.h"

namespace tarvex::testing {

// A helper stand-in listening on a Unix socket: each connection is served on a thread of its
// own, reads one request frame and answers what `handler` returns, or closes the connection
// without a reply when it returns nothing. The handler runs on the connection's thread and may
// block (to hold a reply back).
class FakeHelperServer {
public:
    using Handler = std::function<std::optional<HelperReply>(const HelperRequest&)>;

    FakeHelperServer(std::string socketPath, Handler handler);
    ~FakeHelperServer();

    FakeHelperServer(const FakeHelperServer&) = delete;
    FakeHelperServer& operator=(const FakeHelperServer&) = delete;

    bool listening() const { return listenFd_ >= 0; }
    std::vector<HelperRequest> requests() const;

private:
    void acceptLoop();
    void serve(int fd);

    std::string socketPath_;
    Handler handler_;
    int listenFd_ = -1;
    std::thread acceptThread_;
    mutable std::mutex mutex_;
    std::vector<std::thread> connections_;
    std::vector<HelperRequest> requests_;
};

}  // namespace tarvex::testing
