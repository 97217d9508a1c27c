#include "monitor/privileged/HelperClient.h"

#include <unistd.h>

#include <exception>
#include <thread>
#include <utility>

#include "monitor/privileged/MainThreadDelivery.h"
#include "monitor/privileged/SystemLog.h"
#include "shared/HelperSocket.h"
#include "shared/base/FixedPaths.h"

namespace tarvex {

namespace {

void logConnectionError(const std::string& description) {
    writeSystemLog("XPC error: " + description);
}

// One connection, made when the proxy is; the first request uses it. A proxy asked again
// opens a new connection per request, as the helper answers one request per connection.
class HelperConnectionProxy final : public TarvexHelperProtocol {
public:
    HelperConnectionProxy(int fd, std::string socketPath)
        : fd_(fd), socketPath_(std::move(socketPath)) {}

    ~HelperConnectionProxy() override {
        if (fd_ >= 0) {
            close(fd_);
        }
    }

    HelperConnectionProxy(const HelperConnectionProxy&) = delete;
    HelperConnectionProxy& operator=(const HelperConnectionProxy&) = delete;

    void execute(const std::string& command, const std::vector<std::string>& args,
                 Reply withReply) override {
        int fd = std::exchange(fd_, -1);
        if (fd < 0) {
            std::string error;
            fd = connectToHelper(socketPath_, error);
            if (fd < 0) {
                logConnectionError(error);
                withReply(false, std::string(CANNOT_CONNECT));
                return;
            }
        }
        HelperRequest request{command, args};
        try {
            // The helper may take as long as the tool runs; nothing here may wait for it.
            std::thread(exchange, fd, std::move(request), withReply).detach();
        } catch (const std::exception& e) {
            close(fd);
            logConnectionError(e.what());
            withReply(false, std::string(CONNECTION_LOST));
        }
    }

private:
    static void exchange(int fd, const HelperRequest& request, const Reply& withReply) {
        HelperExchange result = exchangeWithHelper(fd, request);
        if (!result.replied) {
            logConnectionError(result.error);
            withReply(false, std::string(CONNECTION_LOST));
            return;
        }
        withReply(result.reply.success, std::move(result.reply.output));
    }

    int fd_;
    std::string socketPath_;
};

}  // namespace

std::unique_ptr<TarvexHelperProtocol> helperProxy() {
    std::string error;
    const std::string socketPath = HELPER_SOCKET_PATH;
    const int fd = connectToHelper(socketPath, error);
    if (fd < 0) {
        return nullptr;
    }
    return std::make_unique<HelperConnectionProxy>(fd, socketPath);
}

void runPrivileged(const std::string& command, const std::vector<std::string>& args,
                   PrivilegedCompletion completion) {
    prepareMainThreadDelivery();
    // Hands the answer to the main thread; an empty completion means nobody waits for it. The
    // completion is moved, not copied, so that whatever it holds is released on the main thread.
    auto deliver = [completion = std::move(completion)](bool success, std::string output) mutable {
        if (completion) {
            deliverOnMainThread([completion = std::move(completion), success,
                                 output = std::move(output)] { completion(success, output); });
        }
    };
    std::unique_ptr<TarvexHelperProtocol> proxy = helperProxy();
    if (!proxy) {
        deliver(false, std::string(CANNOT_CONNECT));
        return;
    }
    proxy->execute(command, args, std::move(deliver));
}

void HelperRunner::run(const std::string& command, const std::vector<std::string>& args,
                       PrivilegedCompletion completion) {
    runPrivileged(command, args, std::move(completion));
}

}  // namespace tarvex
