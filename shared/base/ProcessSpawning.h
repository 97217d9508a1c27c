#pragma once

#include <spawn.h>

// The process runner's platform parts, one file per platform (ProcessSpawning_<platform>.cpp).
namespace tarvex {

// A pipe whose two ends are close-on-exec.
bool makeCloseOnExecPipe(int fds[2]);

// Keeps the child from inheriting descriptors beyond its standard input, output and error, even
// ones a library opened without close-on-exec. Called after the other file actions are added.
void closeOtherDescriptors(posix_spawn_file_actions_t& actions, short& flags);

}  // namespace tarvex
