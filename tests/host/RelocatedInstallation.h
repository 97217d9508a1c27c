#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "monitor/host/Installation.h"

namespace tarvex {

// Moves the whole installation under a fresh temporary folder for one test and puts the
// standard paths back afterwards, whatever the test did.
class RelocatedInstallation : public testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/tarvex-host-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        prefix_ = pattern;
        relocateInstallation(prefix_);
    }

    void TearDown() override {
        relocateInstallation("");
        std::error_code ignored;
        std::filesystem::remove_all(prefix_, ignored);
    }

    const std::string& prefix() const { return prefix_; }

    // Writes `content` to `path`, creating missing parent folders.
    static void writeFile(const std::string& path, const std::string& content) {
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << content;
        ASSERT_TRUE(out.good()) << path;
    }

private:
    std::string prefix_;
};

}  // namespace tarvex
