#include "helper/ListeningSocket.h"

#include <launch.h>
#include <unistd.h>

#include <cstdlib>

#include "shared/base/ProcessRunner.h"

namespace tarvex {

// launchd hands over the sockets of the job's "Listener" entry; outside launchd the call fails
// and the helper binds the path itself.
std::optional<ListeningSocket> takePassedSocket() {
    int* fds = nullptr;
    size_t count = 0;
    const int rc = launch_activate_socket("Listener", &fds, &count);
    if (rc != 0 || count == 0) {
        std::free(fds);
        return std::nullopt;
    }
    ListeningSocket result;
    result.fd = fds[0];
    for (size_t i = 1; i < count; ++i) {
        close(fds[i]);
    }
    std::free(fds);
    setCloseOnExec(result.fd);
    return result;
}

}  // namespace tarvex
