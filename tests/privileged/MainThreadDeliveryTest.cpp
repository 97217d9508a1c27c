#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QThread>

#include <memory>
#include <thread>

#include "monitor/privileged/MainThreadDelivery.h"
#include "tests/privileged/QtTestSupport.h"

namespace tarvex {
namespace {

using MainThreadDeliveryTest = testing::QtAppTest;

TEST_F(MainThreadDeliveryTest, RunsOnceOnALaterTurnOfTheEventLoop) {
    int runs = 0;
    EXPECT_TRUE(deliverOnMainThread([&] { ++runs; }));
    EXPECT_EQ(runs, 0);
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    EXPECT_EQ(runs, 1);
}

TEST_F(MainThreadDeliveryTest, WorkFromAnotherThreadRunsOnTheMainThread) {
    prepareMainThreadDelivery();
    testing::EventWaiter waiter;
    QThread* ranOn = nullptr;
    bool accepted = false;
    std::thread worker([&] {
        accepted = deliverOnMainThread([&] {
            ranOn = QThread::currentThread();
            waiter.wake();
        });
    });
    worker.join();
    ASSERT_TRUE(accepted);
    ASSERT_TRUE(waiter.waitUntil([&] { return ranOn != nullptr; }));
    EXPECT_EQ(ranOn, QCoreApplication::instance()->thread());
}

TEST_F(MainThreadDeliveryTest, OtherThreadsCannotDeliverBeforeThePreparation) {
    bool accepted = true;
    std::thread worker([&] { accepted = deliverOnMainThread([] {}); });
    worker.join();
    EXPECT_FALSE(accepted);
}

TEST_F(MainThreadDeliveryTest, QueuedWorkIsReleasedUnrunWhenTheApplicationGoes) {
    auto token = std::make_shared<int>(0);
    std::weak_ptr<int> watch = token;
    bool ran = false;
    ASSERT_TRUE(deliverOnMainThread([&ran, token] { ran = true; }));
    token.reset();
    ASSERT_FALSE(watch.expired());

    destroyApplication();
    EXPECT_TRUE(watch.expired());
    EXPECT_FALSE(ran);

    bool late = false;
    EXPECT_FALSE(deliverOnMainThread([&] { late = true; }));
    std::thread worker([&] { EXPECT_FALSE(deliverOnMainThread([&] { late = true; })); });
    worker.join();
    EXPECT_FALSE(late);
}

TEST_F(MainThreadDeliveryTest, ANewApplicationObjectGetsDeliveriesAgain) {
    destroyApplication();
    SetUp();  // a second application object in the same process
    int runs = 0;
    EXPECT_TRUE(deliverOnMainThread([&] { ++runs; }));
    QCoreApplication::processEvents();
    EXPECT_EQ(runs, 1);
}

}  // namespace
}  // namespace tarvex
