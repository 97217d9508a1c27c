#include <gtest/gtest.h>

#include <QTest>
#include <QThread>

#include <csignal>
#include <memory>
#include <vector>

#include "monitor/desktop/QuitSignals.h"
#include "tests/support/TestApplication.h"

namespace tarvex {
namespace {

volatile std::sig_atomic_t earlierHandlerRan = 0;
void earlierHandler(int) {
    earlierHandlerRan = 1;
}

class QuitSignalsTest : public ::testing::Test {
protected:
    void SetUp() override { testing::ensureTestApplication(); }

    // A watcher that notes every call-back and the thread it ran on.
    std::unique_ptr<QuitSignalWatcher> makeWatcher() {
        return std::make_unique<QuitSignalWatcher>([this](int signalNumber) {
            received.push_back(signalNumber);
            onMainThread = QThread::currentThread() == QCoreApplication::instance()->thread();
        });
    }

    std::vector<int> received;
    bool onMainThread = false;
};

TEST_F(QuitSignalsTest, TermAndIntArriveThroughTheEventLoopNotInsideTheHandler) {
    auto watcher = makeWatcher();
    ASSERT_TRUE(watcher->watching()) << watcher->error();

    for (const int signalNumber : {SIGTERM, SIGINT}) {
        received.clear();
        ASSERT_EQ(std::raise(signalNumber), 0);
        EXPECT_TRUE(received.empty()) << "called back from inside the signal handler";
        ASSERT_TRUE(QTest::qWaitFor([this] { return !received.empty(); }, 10000));
        EXPECT_EQ(received, std::vector<int>{signalNumber});
        EXPECT_TRUE(onMainThread);
    }
}

TEST_F(QuitSignalsTest, SignalsThatPileUpBeforeTheLoopRunsGiveOneCallBack) {
    auto watcher = makeWatcher();
    ASSERT_TRUE(watcher->watching()) << watcher->error();
    ASSERT_EQ(std::raise(SIGINT), 0);
    ASSERT_EQ(std::raise(SIGTERM), 0);
    ASSERT_EQ(std::raise(SIGTERM), 0);
    ASSERT_TRUE(QTest::qWaitFor([this] { return !received.empty(); }, 10000));
    // Nothing more may come of the three.
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    EXPECT_EQ(received, std::vector<int>{SIGTERM});
}

TEST_F(QuitSignalsTest, OnlyOneWatcherAtATimeAndTheFirstKeepsWorking) {
    auto first = makeWatcher();
    ASSERT_TRUE(first->watching()) << first->error();
    {
        QuitSignalWatcher second([](int) { ADD_FAILURE() << "the second watcher was called"; });
        EXPECT_FALSE(second.watching());
        EXPECT_FALSE(second.error().empty());
    }
    ASSERT_EQ(std::raise(SIGTERM), 0);
    ASSERT_TRUE(QTest::qWaitFor([this] { return !received.empty(); }, 10000));
    EXPECT_EQ(received, std::vector<int>{SIGTERM});

    // Once the first is gone a new one may watch.
    first.reset();
    auto third = makeWatcher();
    EXPECT_TRUE(third->watching()) << third->error();
}

TEST_F(QuitSignalsTest, TheEarlierHandlersComeBackWhenTheWatcherGoes) {
    struct sigaction earlier {};
    earlier.sa_handler = earlierHandler;
    sigemptyset(&earlier.sa_mask);
    struct sigaction savedTerm {};
    struct sigaction savedInt {};
    ASSERT_EQ(sigaction(SIGTERM, &earlier, &savedTerm), 0);
    ASSERT_EQ(sigaction(SIGINT, &earlier, &savedInt), 0);

    {
        auto watcher = makeWatcher();
        ASSERT_TRUE(watcher->watching()) << watcher->error();
        ASSERT_EQ(std::raise(SIGTERM), 0);
        EXPECT_EQ(earlierHandlerRan, 0) << "the watcher did not take SIGTERM over";
    }
    for (const int signalNumber : {SIGTERM, SIGINT}) {
        earlierHandlerRan = 0;
        ASSERT_EQ(std::raise(signalNumber), 0);
        EXPECT_EQ(earlierHandlerRan, 1) << "signal " << signalNumber;
    }
    // The byte of the SIGTERM above went with the watcher's socket: nothing is called back.
    QCoreApplication::processEvents();
    EXPECT_TRUE(received.empty());

    sigaction(SIGTERM, &savedTerm, nullptr);
    sigaction(SIGINT, &savedInt, nullptr);
}

}  // namespace
}  // namespace tarvex
