#pragma once

// A throw-away folder, and writing and reading the files a test puts there. Without Qt, so
// that the helper's tests use it too.

#include <stdlib.h>
#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include <gtest/gtest.h>

namespace tarvex::testing {

// Made under the system's temporary folder; removed with everything in it when it goes, also
// when a test took its own permissions away.
class TempFolder {
public:
    TempFolder() {
        std::string pattern = std::filesystem::temp_directory_path() / "tarvex-test-XXXXXX";
        if (mkdtemp(pattern.data()) != nullptr) {
            path_ = pattern;
        }
    }
    ~TempFolder() {
        if (path_.empty()) {
            return;
        }
        std::error_code ignored;
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ignored);
        std::filesystem::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    bool valid() const { return !path_.empty(); }
    const std::string& path() const { return path_; }
    std::string operator/(const std::string& relative) const { return path_ + "/" + relative; }

private:
    std::string path_;
};

// Writes `text` to `path`, creating missing parent folders; a failure fails the test. The file
// is replaced by a rename, so that a program watching it sees the old or the new content, never
// half of it.
inline bool writeFile(const std::string& path, const std::string& text) {
    std::error_code ignored;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ignored);
    const std::string next = path + ".next";
    bool written = static_cast<bool>(std::ofstream(next, std::ios::binary) << text);
    written = written && std::rename(next.c_str(), path.c_str()) == 0;
    EXPECT_TRUE(written) << "cannot write " << path;
    return written;
}

// The whole content of `path`; empty when it cannot be read.
inline std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The permission bits of `path` itself (a link is not followed); 0 when it is missing.
inline unsigned modeOf(const std::string& path) {
    struct stat info {};
    if (lstat(path.c_str(), &info) != 0) {
        return 0;
    }
    return info.st_mode & 07777;
}

}  // namespace tarvex::testing
