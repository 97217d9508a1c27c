#pragma once

#include <sys/types.h>

#include <optional>
#include <string>

namespace tarvex {

// The socket the helper accepts connections on: handed over by the service manager, or bound
// by the helper itself when it was started by hand.
struct ListeningSocket {
    int fd = -1;
    std::string error;      // why there is no socket (fd < 0)
    std::string boundPath;  // set only when the helper bound the path itself
    dev_t device = 0;       // identity of the socket file we bound, so we never remove another's
    ino_t inode = 0;
};

// Takes the socket from the service manager when it passed one to this process (systemd's
// LISTEN_PID/LISTEN_FDS, which are then removed from the environment so the tool does not see
// them; launchd's "Listener" on macOS). Otherwise binds `path` with mode 0666, replacing a
// stale socket file but refusing when a live helper already answers there.
ListeningSocket acquireListeningSocket(const std::string& path);

// The socket the service manager passed to this process (systemd on Linux, launchd on macOS),
// nullopt when it passed none. One of a platform's own, in ListeningSocket_<platform>.cpp.
std::optional<ListeningSocket> takePassedSocket();

// Closes the socket and removes the socket file if this process bound it and it is still there.
void releaseListeningSocket(ListeningSocket& socket);

}  // namespace tarvex
