// The C library's unistd.h with macOS's additions, and without what only Linux has.
#pragma once

#include_next <unistd.h>

#include "linux-only.h"

#ifdef __cplusplus
extern "C" {
#endif

// The effective ids of the peer of a connected Unix-domain socket.
int getpeereid(int socket, uid_t* euid, gid_t* egid);

#ifdef __cplusplus
}
#endif

TARVEX_LINUX_ONLY(int pipe2(int fds[2], int flags) noexcept(true));
