#pragma once

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTemporaryDir>

#include <functional>
#include <memory>
#include <string>

namespace tarvex::testing {

// Runs the event loop until `done` holds or the deadline passes; code that may make `done`
// true calls wake() (on the main thread) so the wait ends at once rather than at the deadline.
class EventWaiter {
public:
    bool waitUntil(const std::function<bool()>& done, int deadlineMs = 10000);
    void wake();

private:
    QEventLoop* running_ = nullptr;  // the loop of the wait in progress
};

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
