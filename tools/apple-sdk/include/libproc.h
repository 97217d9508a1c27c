// libproc's process path call (libproc.h), with the buffer size from sys/proc_info.h.
#pragma once

#include <stdint.h>

// 4 * MAXPATHLEN, MAXPATHLEN being 1024 on macOS.
#define PROC_PIDPATHINFO_SIZE 1024
#define PROC_PIDPATHINFO_MAXSIZE (4 * 1024)

#ifdef __cplusplus
extern "C" {
#endif

// The path of the executable of `pid`; answers its length, or 0 with errno set.
int proc_pidpath(int pid, void* buffer, uint32_t buffersize);

#ifdef __cplusplus
}
#endif
