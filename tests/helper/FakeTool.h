#pragma once

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "tests/support/TempFolder.h"

namespace tarvex::testing {

// A throw-away installation prefix whose control tool is a shell script the test writes.
// Removed with everything in it when the test ends.
class FakeTool {
public:
    FakeTool() { std::filesystem::create_directories(prefix() + "/opt/tarvex/bin"); }

    const std::string& prefix() const { return temp_.path(); }
    std::string toolPath() const { return prefix() + "/opt/tarvex/bin/tarvexctl"; }
    std::string path(const std::string& name) const { return temp_ / name; }

    // Writes the tool as a /bin/sh script with `body` after the shebang line. The script can
    // refer to the prefix as $TEST_DIR. Replaced by a rename, so that a run starting at that
    // moment sees the old or the new script, never a half-written one or "text file busy".
    void write(const std::string& body, mode_t mode = 0755) const {
        const std::string next = toolPath() + ".next";
        {
            std::ofstream out(next, std::ios::trunc);
            out << "#!/bin/sh\nTEST_DIR='" << prefix() << "'\n" << body << "\n";
        }
        chmod(next.c_str(), mode);
        std::rename(next.c_str(), toolPath().c_str());
    }

    // A tool that records each run (its arguments, one line per run) in the file "runs".
    void writeRecording(const std::string& body = "") const {
        write("echo \"$*\" >> \"$TEST_DIR/runs\"\n" + body);
    }

    std::string read(const std::string& name) const { return readFile(path(name)); }

private:
    TempFolder temp_;
};

}  // namespace tarvex::testing
