#include "monitor/privileged/MainThreadDelivery.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QObject>
#include <QThread>

#include <mutex>
#include <utility>

namespace tarvex {

namespace {

// Queued calls go to this object rather than to the application object itself, so that its
// end can be fenced: it is deleted (under the lock that every poster holds while posting) at
// the very start of the application object's destruction, before the event dispatcher goes.
class DeliveryTarget final : public QObject {};

// Never destroyed: helper threads may still answer while the process is exiting.
std::mutex& targetMutex() {
    static auto* mutex = new std::mutex;
    return *mutex;
}

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
    // Also drops the queued calls that were never run.
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
        currentTarget() = new DeliveryTarget;
        qAddPostRoutine(retireTarget);
    }
    return currentTarget();
}

}  // namespace

bool deliverOnMainThread(std::function<void()> work) {
    std::lock_guard lock(targetMutex());
    DeliveryTarget* target = targetLocked();
    if (target == nullptr) {
        return false;
    }
    return QMetaObject::invokeMethod(
        target, [work = std::move(work)] { work(); }, Qt::QueuedConnection);
}

void prepareMainThreadDelivery() {
    std::lock_guard lock(targetMutex());
    targetLocked();
}

}  // namespace tarvex
