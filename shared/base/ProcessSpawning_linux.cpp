#include <fcntl.h>
#include <unistd.h>

#include "shared/base/ProcessSpawning.h"

namespace tarvex {

bool makeCloseOnExecPipe(int fds[2]) {
    return pipe2(fds, O_CLOEXEC) == 0;
}

void closeOtherDescriptors(posix_spawn_file_actions_t& actions, short& /*flags*/) {
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 34))
    // Everything of ours is close-on-exec already; this also catches descriptors that a
    // library opened without it.
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);
#else
    (void)actions;
#endif
}

}  // namespace tarvex
