#pragma once

#include <sys/types.h>

#include <string>

namespace tarvex {

// What /proc tells about a running process. Fields are -1 when unreadable.
struct ProcessSample {
    long descriptors = -1;  // entries of /proc/<pid>/fd
    long rssKiB = -1;       // VmRSS
    long threads = -1;      // Threads
    long cpuTicks = -1;     // utime + stime, in clock ticks
};

ProcessSample sampleProcess(pid_t pid);

// True while `pid` is our child and has not exited.
bool childIsRunning(pid_t pid);

}  // namespace tarvex
