#pragma once

// Shared by the action tests: the test application, a throw-away folder, firing timers
// without waiting for them, and reading files back.

#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QTimer>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "tests/support/TestApplication.h"

namespace tarvex::testing {

// Runs what a timer would run now, as if its interval had passed.
inline void fire(QTimer* timer) {
    ASSERT_NE(timer, nullptr);
    ASSERT_TRUE(QMetaObject::invokeMethod(timer, "timeout", Qt::DirectConnection));
}

// Delivers queued calls (answers handed to the main thread) without waiting for anything else.
inline void deliverQueuedCalls() {
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
}

class TempFolder {
public:
    TempFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "tarvex-actions-XXXXXX");
        path_ = mkdtemp(pattern.data());
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ignored);
        std::filesystem::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& path() const { return path_; }
    std::string operator/(const std::string& relative) const { return path_ + "/" + relative; }

private:
    std::string path_;
};

inline void writeFile(const std::string& path, const std::string& text) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

inline std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

inline unsigned modeOf(const std::string& path) {
    struct stat info {};
    if (lstat(path.c_str(), &info) != 0) {
        return 0;
    }
    return info.st_mode & 07777;
}

// Sets an environment variable for one scope and restores it afterwards.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value) : name_(name) {
        if (const char* old = std::getenv(name)) {
            old_ = old;
            hadOld_ = true;
        }
        setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv() {
        if (hadOld_) {
            setenv(name_, old_.c_str(), 1);
        } else {
            unsetenv(name_);
        }
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* name_;
    std::string old_;
    bool hadOld_ = false;
};

}  // namespace tarvex::testing
