#pragma once

#include <string>

#include "shared/HelperProtocol.h"

namespace tarvex {

// Opens a close-on-exec stream connection to the helper's socket. Answers the descriptor, or
// -1 with `error` set to the reason.
int connectToHelper(const std::string& socketPath, std::string& error);

struct HelperExchange {
    bool replied = false;  // false: the connection broke before a whole reply arrived
    HelperReply reply;
    std::string error;  // why there is no reply
};

// Sends one request on a connected descriptor and waits for the one reply; closes the
// descriptor. A negative timeout waits as long as the helper takes (the tool may run long).
HelperExchange exchangeWithHelper(int fd, const HelperRequest& request, int timeoutMs = -1);

// Writes all of `data`, retrying on EINTR and short writes. Never raises SIGPIPE.
bool writeAll(int fd, const char* data, std::size_t size);

}  // namespace tarvex
