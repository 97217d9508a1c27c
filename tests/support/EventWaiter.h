#pragma once

// Waiting for something that the event loop brings about, with a deadline instead of sleeps.

#include <QEventLoop>
#include <QTimer>

#include <functional>

namespace tarvex::testing {

// Runs the event loop until `done` holds or the deadline passes; code that may make `done`
// true calls wake() (on the main thread) so that the wait ends at once rather than at the
// deadline.
class EventWaiter {
public:
    // True when `done` holds. `tickMs` > 0 adds periodic checks, for conditions that change
    // outside this process and so never call wake().
    bool waitUntil(const std::function<bool()>& done, int deadlineMs = 10000, int tickMs = 0) {
        QEventLoop loop;
        QTimer deadline;
        deadline.setSingleShot(true);
        QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
        deadline.start(deadlineMs);
        QTimer tick;
        if (tickMs > 0) {
            QObject::connect(&tick, &QTimer::timeout, &loop, &QEventLoop::quit);
            tick.start(tickMs);
        }
        running_ = &loop;
        while (!done() && deadline.isActive()) {
            loop.exec();
        }
        running_ = nullptr;
        return done();
    }

    void wake() {
        if (running_ != nullptr) {
            running_->quit();
        }
    }

private:
    QEventLoop* running_ = nullptr;  // the loop of the wait in progress
};

}  // namespace tarvex::testing
