#include "tests/privileged/QtTestSupport.h"

#include <QEventLoop>
#include <QTimer>

#include "shared/FixedPaths.h"

namespace tarvex::testing {

namespace {
int argc = 1;
char programName[] = "privileged_tests";
char* argv[] = {programName, nullptr};
}  // namespace

bool EventWaiter::waitUntil(const std::function<bool()>& done, int deadlineMs) {
    QEventLoop loop;
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, &loop, &QEventLoop::quit);
    guard.start(deadlineMs);
    running_ = &loop;
    while (!done() && guard.isActive()) {
        loop.exec();
    }
    running_ = nullptr;
    return done();
}

void EventWaiter::wake() {
    if (running_ != nullptr) {
        running_->quit();
    }
}

void QtAppTest::SetUp() {
    app_ = std::make_unique<QCoreApplication>(argc, argv);
    ASSERT_TRUE(tempDir_.isValid());
}

void QtAppTest::TearDown() {
    app_.reset();
    relocateFixedPaths("");
}

std::string QtAppTest::tempPath(const std::string& name) const {
    return tempDir_.filePath(QString::fromStdString(name)).toStdString();
}

}  // namespace tarvex::testing
