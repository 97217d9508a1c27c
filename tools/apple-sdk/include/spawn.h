// The C library's spawn.h with macOS's additions (spawn.h, sys/spawn.h), and without what only
// glibc has.
#pragma once

#include_next <spawn.h>

#include "linux-only.h"

// Every descriptor not named by a file action is closed in the child.
#define POSIX_SPAWN_CLOEXEC_DEFAULT 0x4000

#ifdef __cplusplus
extern "C" {
#endif

// Passes `filedes` to the child unchanged, also under POSIX_SPAWN_CLOEXEC_DEFAULT.
int posix_spawn_file_actions_addinherit_np(posix_spawn_file_actions_t* actions, int filedes);

#ifdef __cplusplus
}
#endif

TARVEX_LINUX_ONLY(int posix_spawn_file_actions_addclosefrom_np(posix_spawn_file_actions_t* actions,
                                                               int from) noexcept(true));
