#pragma once

#include <gtest/gtest.h>

#include <QCoreApplication>

#include <memory>
#include <string>

#include "tests/support/TempFolder.h"

namespace tarvex::testing {

// Each test gets its own application object and a private folder for sockets and scripts.
class QtAppTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    void destroyApplication() { app_.reset(); }

    std::unique_ptr<QCoreApplication> app_;
    TempFolder temp_;
};

}  // namespace tarvex::testing
