#pragma once

#include <string>
#include <vector>

namespace tarvex {

// The whole environment of every program the helper starts: nothing of the helper's own
// (LD_PRELOAD, BASH_ENV, IFS, a caller's PATH) may reach a program that runs as root.
inline std::vector<std::string> toolEnvironment() {
    return {"PATH=/usr/sbin:/usr/bin:/sbin:/bin", "LANG=C.UTF-8"};
}

}  // namespace tarvex
