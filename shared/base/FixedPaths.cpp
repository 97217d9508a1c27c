#include "shared/base/FixedPaths.h"

namespace tarvex {

namespace {

struct Paths {
    std::string prefix;
    std::string tarvexctl;
    std::string config;
    std::string appPath;
    std::string lockPid;
    std::string activePaths;
    std::string root;
    std::string defaultBaseDir;
    std::string socket;
    std::string subordinateUids;

    explicit Paths(std::string_view p) { relocate(p); }

    void relocate(std::string_view p) {
        prefix = std::string(p);
        tarvexctl = prefix + "/opt/tarvex/bin/tarvexctl";
        config = prefix + "/opt/tarvex/etc/tarvex/tarvex.cnf";
        appPath = prefix + "/Applications/tarvex Monitor.app";
        lockPid = prefix + "/tmp/tarvexctl.lock.d/pid";
        activePaths = prefix + "/opt/tarvex/var/tarvex/run/active_paths";
        root = prefix + "/opt/tarvex";
        defaultBaseDir = prefix + "/opt/tarvex/var/tarvex/data";
        socket = prefix + "/var/run/com.tarvex.helper.socket";
        subordinateUids = prefix + "/etc/subuid";
    }
};

Paths& paths() {
    static Paths instance{""};
    return instance;
}

}  // namespace

const std::string& TARVEXCTL = paths().tarvexctl;
const std::string& TARVEX_CONFIG = paths().config;
const std::string& MONITOR_APP_PATH = paths().appPath;
const std::string& TARVEXCTL_LOCK_PID = paths().lockPid;
const std::string& ACTIVE_PATHS_FILE = paths().activePaths;
const std::string& TARVEX_ROOT = paths().root;
const std::string& DEFAULT_BASE_DIR = paths().defaultBaseDir;
const std::string& HELPER_SOCKET_PATH = paths().socket;
const std::string& SUBORDINATE_UIDS = paths().subordinateUids;

void relocateFixedPaths(std::string_view prefix) {
    paths().relocate(prefix);
}

const std::string& fixedPathPrefix() {
    return paths().prefix;
}

void overrideHelperSocketPath(std::string_view path) {
    paths().socket = std::string(path);
}

}  // namespace tarvex
