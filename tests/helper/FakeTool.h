#pragma once

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace tarvex::testing {

// A throw-away installation prefix whose control tool is a shell script the test writes.
// Removed with everything in it when the test ends.
class FakeTool {
public:
    FakeTool() {
        char pattern[] = "/tmp/tarvex-helper-test.XXXXXX";
        const char* made = mkdtemp(pattern);
        prefix_ = made != nullptr ? made : "";
        std::filesystem::create_directories(prefix_ + "/opt/tarvex/bin");
    }
    ~FakeTool() {
        std::error_code ignored;
        std::filesystem::remove_all(prefix_, ignored);
    }
    FakeTool(const FakeTool&) = delete;
    FakeTool& operator=(const FakeTool&) = delete;

    const std::string& prefix() const { return prefix_; }
    std::string toolPath() const { return prefix_ + "/opt/tarvex/bin/tarvexctl"; }
    std::string path(const std::string& name) const { return prefix_ + "/" + name; }

    // Writes the tool as a /bin/sh script with `body` after the shebang line. The script can
    // refer to the prefix as $TEST_DIR. Replaced by a rename, so that a run starting at that
    // moment sees the old or the new script, never a half-written one or "text file busy".
    void write(const std::string& body, mode_t mode = 0755) const {
        const std::string next = toolPath() + ".next";
        {
            std::ofstream out(next, std::ios::trunc);
            out << "#!/bin/sh\nTEST_DIR='" << prefix_ << "'\n" << body << "\n";
        }
        chmod(next.c_str(), mode);
        std::rename(next.c_str(), toolPath().c_str());
    }

    // A tool that records each run (its arguments, one line per run) in the file "runs".
    void writeRecording(const std::string& body = "") const {
        write("echo \"$*\" >> \"$TEST_DIR/runs\"\n" + body);
    }

    std::string read(const std::string& name) const {
        std::ifstream in(path(name), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

private:
    std::string prefix_;
};

}  // namespace tarvex::testing
