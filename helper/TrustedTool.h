#pragma once

#include <sys/types.h>

#include <optional>
#include <string>

namespace tarvex {

// A root helper runs a file only if nobody but root can change what runs. The path is walked as
// written: every folder along it and along each symbolic link's target, each link (by its
// owner: it has no mode of its own) and the file must be owned by root (or by `alsoTrusted`, for
// tests) and not writable by group or others; a link's own folder is one of those folders, so a
// link planted where others can write is refused even when it points somewhere safe. A folder
// writable by others counts as safe when it is sticky (like /tmp): there nobody may rename or
// remove an entry they do not own, and the entry itself is checked too.
struct ToolCheck {
    std::string resolved;  // the path with every link resolved: the file to run
    std::string problem;   // empty when the file may be run
    int error = 0;         // errno when the path could not be resolved at all
};
ToolCheck checkTrustedTool(const std::string& path, uid_t alsoTrusted = 0);

}  // namespace tarvex
