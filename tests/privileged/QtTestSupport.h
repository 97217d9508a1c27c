#pragma once

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTemporaryDir>

#include <memory>
#include <string>

#include "tests/support/EventWaiter.h"

namespace tarvex::testing {

// Each test gets its own application object and a private folder for sockets and scripts.
class QtAppTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    void destroyApplication() { app_.reset(); }
    std::string tempPath(const std::string& name) const;

    std::unique_ptr<QCoreApplication> app_;
    QTemporaryDir tempDir_;
};

}  // namespace tarvex::testing
