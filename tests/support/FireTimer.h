#pragma once

#include <gtest/gtest.h>

#include <QTimer>

namespace tarvex::testing {

// Fires a timer the way its expiry would: a single-shot timer stops first.
inline void fire(QTimer* timer) {
    ASSERT_NE(timer, nullptr);
    ASSERT_TRUE(timer->isActive()) << "the timer is not armed";
    if (timer->isSingleShot()) {
        timer->stop();
    }
    QMetaObject::invokeMethod(timer, "timeout");
}

}  // namespace tarvex::testing
