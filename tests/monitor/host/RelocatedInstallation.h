#pragma once

#include <gtest/gtest.h>

#include <string>

#include "monitor/host/Installation.h"
#include "tests/support/TempFolder.h"

namespace tarvex {

using testing::writeFile;

// Moves the whole installation under a fresh temporary folder for one test and puts the
// standard paths back afterwards, whatever the test did.
class RelocatedInstallation : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(temp_.valid());
        relocateInstallation(temp_.path());
    }

    void TearDown() override { relocateInstallation(""); }

    const std::string& prefix() const { return temp_.path(); }

private:
    testing::TempFolder temp_;
};

}  // namespace tarvex
