#include "monitor/desktop/PrivateDirectory.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace tarvex {

namespace {

std::string environmentValue(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

bool isAbsolute(const std::string& path) {
    return !path.empty() && path.front() == '/';
}

std::string withoutTrailingSlashes(std::string path) {
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    return path;
}

// Makes `path` a private folder: creates it with mode 0700, or tightens a folder of ours that
// exists with a looser mode. Refuses links and folders of other users.
bool ensurePrivateFolder(const std::string& path) {
    if (mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) {
        return false;
    }
    struct stat info {};
    if (lstat(path.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != geteuid()) {
        return false;
    }
    if ((info.st_mode & 07777) != 0700 && chmod(path.c_str(), 0700) != 0) {
        return false;
    }
    return isPrivateDirectory(path);
}

// The parent must exist; a missing cache folder is created for the user like any program would.
bool ensureParent(const std::string& parent) {
    struct stat info {};
    if (stat(parent.c_str(), &info) == 0) {
        return S_ISDIR(info.st_mode);
    }
    return errno == ENOENT && mkdir(parent.c_str(), 0700) == 0;
}

}  // namespace

PrivateDirectoryEnvironment PrivateDirectoryEnvironment::fromProcess() {
    PrivateDirectoryEnvironment env;
    env.runtimeDir = environmentValue("XDG_RUNTIME_DIR");
    env.cacheHome = environmentValue("XDG_CACHE_HOME");
    env.home = environmentValue("HOME");
    // On macOS the session sets it to the user's own temp folder.
    env.tempDir = environmentValue("TMPDIR");
    if (env.tempDir.empty()) {
        env.tempDir = "/tmp";
    }
    return env;
}

bool isPrivateDirectory(const std::string& path) {
    struct stat info {};
    if (lstat(path.c_str(), &info) != 0) {
        return false;
    }
    return S_ISDIR(info.st_mode) && info.st_uid == geteuid() && (info.st_mode & 07777) == 0700 &&
           access(path.c_str(), W_OK | X_OK) == 0;
}

std::optional<std::string> privateDirectory(const PrivateDirectoryEnvironment& env) {
    if (isAbsolute(env.runtimeDir)) {
        const std::string runtimeDir = withoutTrailingSlashes(env.runtimeDir);
        if (isPrivateDirectory(runtimeDir)) {
            return runtimeDir;
        }
    }
    std::string cacheHome;
    if (isAbsolute(env.cacheHome)) {
        cacheHome = withoutTrailingSlashes(env.cacheHome);
    } else if (isAbsolute(env.home)) {
        cacheHome = withoutTrailingSlashes(env.home) + "/.cache";
    }
    if (!cacheHome.empty() && ensureParent(cacheHome)) {
        const std::string folder = cacheHome + "/tarvex-monitor";
        if (ensurePrivateFolder(folder)) {
            return folder;
        }
    }
    if (isAbsolute(env.tempDir)) {
        // A shared temp folder is only a parent: the per-user folder inside it is verified, so
        // one planted by another user is refused rather than used.
        const std::string folder = withoutTrailingSlashes(env.tempDir) + "/tarvex-monitor-" +
                                   std::to_string(static_cast<unsigned long>(geteuid()));
        if (ensurePrivateFolder(folder)) {
            return folder;
        }
    }
    return std::nullopt;
}

std::optional<std::string> privateDirectory() {
    return privateDirectory(PrivateDirectoryEnvironment::fromProcess());
}

}  // namespace tarvex
