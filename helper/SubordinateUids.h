#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarvex {

// useradd gives every account a range of subordinate uids (/etc/subuid), and newuidmap lets the
// account run processes as any uid of its range: those uids are the same person. So they count
// as the owner's account, in every per-account budget and in the audit trail's share, and one
// person cannot multiply their budgets by the thousands of uids they hold.
struct SubordinateRange {
    std::uint64_t first = 0;
    std::uint64_t count = 0;
    uid_t owner = 0;

    friend bool operator==(const SubordinateRange&, const SubordinateRange&) = default;
};

// The ranges in the text of /etc/subuid, sorted: one "owner:first:count" a line, the owner an
// account name or a uid. A name `uidOf` cannot resolve still makes its range one account, keyed
// by its first uid. Lines that do not parse are skipped.
std::vector<SubordinateRange> parseSubordinateUids(
    std::string_view text, const std::function<std::optional<uid_t>(const std::string&)>& uidOf);

// The file at `path`, read again when it has changed (looked at no more than once a second).
class SubordinateUids {
public:
    explicit SubordinateUids(std::string path);

    // The account `uid` counts as: the owner of a range that holds it, else the uid itself.
    uid_t accountOf(uid_t uid);

private:
    void refresh();

    std::string path_;
    std::chrono::steady_clock::time_point nextLook_;
    std::string identity_;  // of the version last read: device, inode, size, modification time
    std::vector<SubordinateRange> ranges_;
};

}  // namespace tarvex
