#pragma once

#include <sys/types.h>

#include <cstdint>
#include <optional>
#include <string_view>

namespace tarvex {

// Who is on the other end of a connection, as the kernel reports it. Nothing here comes from
// the request itself, so a client cannot claim to be someone else.
struct Caller {
    bool known = false;  // false when the kernel could not tell who connected
    uid_t uid = static_cast<uid_t>(-1);
    gid_t gid = static_cast<gid_t>(-1);
    pid_t pid = -1;
    // When the process started (clock ticks after boot). With the pid it names one process
    // for good, so a pid reused after the caller exited is never mistaken for it. 0: unknown.
    std::uint64_t startTime = 0;
    // Whose budgets and audit share the caller counts in: its uid, or the owner of the
    // subordinate uid range that holds it (set by the server). -1 before that: the uid.
    uid_t account = static_cast<uid_t>(-1);

    uid_t budgetAccount() const { return account != static_cast<uid_t>(-1) ? account : uid; }
};

// Reads the peer of a connected Unix-domain socket. Called right after accept, while the
// connecting process is normally still there. Where the kernel hands out the peer's pidfd
// (Linux 6.5 and later), the start time is taken only while that very process is still alive,
// so its pid cannot have gone to another process in between; otherwise the start time is read
// from /proc as long as the pid still belongs to the caller's uid.
Caller identifyCaller(int fd);

// The start time (field 22) from the text of /proc/<pid>/stat; nullopt when it is not there.
// The command name in field 2 may hold blanks and parentheses, so fields count from the last ')'.
std::optional<std::uint64_t> parseProcessStartTime(std::string_view stat);

}  // namespace tarvex
