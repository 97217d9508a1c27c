#include <unistd.h>

#include "shared/base/ProcessRunner.h"
#include "shared/base/ProcessSpawning.h"

namespace tarvex {

bool makeCloseOnExecPipe(int fds[2]) {
    if (pipe(fds) != 0) {
        return false;
    }
    return setCloseOnExec(fds[0]) && setCloseOnExec(fds[1]);
}

// Every descriptor closes at the exec but those the file actions name; standard input is named
// here, as it is passed on unchanged.
void closeOtherDescriptors(posix_spawn_file_actions_t& actions, short& flags) {
    flags |= POSIX_SPAWN_CLOEXEC_DEFAULT;
    posix_spawn_file_actions_addinherit_np(&actions, STDIN_FILENO);
}

}  // namespace tarvex
