#pragma once

#include <chrono>

#include "helper/Helper.h"

namespace tarvex {

struct ConnectionLimits {
    // The whole request must arrive within this time, or the client is dropped unanswered.
    std::chrono::milliseconds requestTimeout{10000};
    // Writing the reply may take this long at most; a client that stops reading is dropped.
    std::chrono::milliseconds replyTimeout{30000};
};

// Serves one connection: reads one request frame, runs it through `helper`, writes the one
// reply and closes `fd`. A malformed or truncated frame gets (false, "Malformed request") and
// runs nothing; a client that does not finish its request in time is closed without a reply.
// `fd` must be a non-blocking stream socket; it is closed in every case.
void serveConnection(int fd, const Caller& caller, Helper& helper, const ConnectionLimits& limits);

}  // namespace tarvex
