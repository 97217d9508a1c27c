#include "monitor/privileged/MainThreadDelivery.h"

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QThread>

#include <mutex>
#include <utility>

namespace tarvex {

namespace {

// Never destroyed: helper threads may still answer while the process is exiting.
std::mutex& targetMutex() {
    static auto* mutex = new std::mutex;
    return *mutex;
}

QEvent::Type deliveryEventType() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

// Carries the work; the event queue owns it once posted, so the posting thread never touches
// it (or the work it holds) again, and it is destroyed on the main thread.
class DeliveryEvent final : public QEvent {
public:
    explicit DeliveryEvent(std::function<void()> work)
        : QEvent(deliveryEventType()), work_(std::move(work)) {}

    std::function<void()> takeWork() { return std::move(work_); }

private:
    std::function<void()> work_;
};

// Events go to this object rather than to the application object itself, so that its end can
// be fenced: it is deleted (under the lock that every poster holds while posting) at the very
// start of the application object's destruction, before the event dispatcher goes.
class DeliveryTarget final : public QObject {
protected:
    bool event(QEvent* event) override {
        std::function<void()> work;
        bool ours = false;
        {
            // The lock the poster held while posting: orders the poster's writes before these
            // reads in a way that race detectors see too (the event queue's own lock lives in
            // Qt, which they do not watch).
            std::lock_guard lock(targetMutex());
            ours = event->type() == deliveryEventType();
            if (ours) {
                work = static_cast<DeliveryEvent*>(event)->takeWork();
            }
        }
        if (!ours) {
            return QObject::event(event);
        }
        work();
        return true;
    }
};

DeliveryTarget*& currentTarget() {
    static DeliveryTarget* target = nullptr;
    return target;
}

// Called by the application object's destructor (a post routine), on the main thread.
void retireTarget() {
    DeliveryTarget* retired = nullptr;
    {
        std::lock_guard lock(targetMutex());
        retired = std::exchange(currentTarget(), nullptr);
    }
    // Also deletes the events that were never delivered, with their work unrun.
    delete retired;
}

// The target for the current application object. Made on first use, and only on the
// application's own thread: other threads never look at the application object, which the
// main thread may be destroying at that very moment. Needs the lock held.
DeliveryTarget* targetLocked() {
    if (currentTarget() == nullptr) {
        QCoreApplication* app = QCoreApplication::instance();
        if (app == nullptr || QThread::currentThread() != app->thread()) {
            return nullptr;
        }
        deliveryEventType();
        currentTarget() = new DeliveryTarget;
        qAddPostRoutine(retireTarget);
    }
    return currentTarget();
}

}  // namespace

bool deliverOnMainThread(std::function<void()> work) {
    std::lock_guard lock(targetMutex());
    DeliveryTarget* target = targetLocked();
    if (target == nullptr || !work) {
        return false;
    }
    QCoreApplication::postEvent(target, new DeliveryEvent(std::move(work)));
    return true;
}

void prepareMainThreadDelivery() {
    std::lock_guard lock(targetMutex());
    targetLocked();
}

}  // namespace tarvex
