#pragma once

#include <gtest/gtest.h>

#include <QTimer>

namespace tarvex::testing {

// Fires an armed timer now, the way its expiry would: a single-shot timer stops first, then
// whatever is connected to it runs before this returns.
inline void fire(QTimer* timer) {
    ASSERT_NE(timer, nullptr);
    ASSERT_TRUE(timer->isActive()) << "the timer is not armed";
    if (timer->isSingleShot()) {
        timer->stop();
    }
    ASSERT_TRUE(QMetaObject::invokeMethod(timer, "timeout", Qt::DirectConnection));
}

}  // namespace tarvex::testing
