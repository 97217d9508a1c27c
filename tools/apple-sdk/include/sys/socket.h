// The C library's sys/socket.h without what only Linux has.
#pragma once

#include_next <sys/socket.h>

#include "linux-only.h"

#undef SO_PEERCRED
#undef SO_PEERPIDFD
#undef SOCK_CLOEXEC
#undef SOCK_NONBLOCK
#define ucred tarvex_linux_only_ucred

TARVEX_LINUX_ONLY(int accept4(int fd, sockaddr* address, socklen_t* length, int flags));
