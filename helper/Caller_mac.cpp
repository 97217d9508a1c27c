#include "helper/Caller.h"

#include <sys/socket.h>
#include <sys/un.h>  // LOCAL_PEERPID
#include <unistd.h>

namespace tarvex {

// Only the uid, gid and pid: no start time is read here, so it stays unknown (0).
Caller identifyCaller(int fd) {
    Caller caller;
    uid_t uid = 0;
    gid_t gid = 0;
    if (getpeereid(fd, &uid, &gid) == 0) {
        caller.known = true;
        caller.uid = uid;
        caller.gid = gid;
        pid_t pid = -1;
        socklen_t size = sizeof pid;
        if (getsockopt(fd, SOL_LOCAL, LOCAL_PEERPID, &pid, &size) == 0) {
            caller.pid = pid;
        }
    }
    return caller;
}

}  // namespace tarvex
