// launchd's socket activation call (launch.h).
#pragma once

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

// Answers 0 and a malloc'd array of `*cnt` descriptors for the job's socket entry `name`;
// else an errno value (ENOENT, ESRCH, EALREADY).
int launch_activate_socket(const char* name, int** fds, size_t* cnt);

#ifdef __cplusplus
}
#endif
