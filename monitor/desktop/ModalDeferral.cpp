#include "monitor/desktop/ModalDeferral.h"

#include <QApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>

#include <utility>

namespace tarvex {

ModalDeferral::ModalDeferral(QObject* parent) : QObject(parent) {
    qApp->installEventFilter(this);
}

ModalDeferral::~ModalDeferral() {
    if (qApp != nullptr) {
        qApp->removeEventFilter(this);
    }
}

bool ModalDeferral::userIsAnswering() {
    return QApplication::activeModalWidget() != nullptr ||
           QApplication::activePopupWidget() != nullptr;
}

void ModalDeferral::runWhenIdle(const void* key, std::function<void()> work) {
    if (!userIsAnswering()) {
        work();
        return;
    }
    pending_[key] = std::move(work);
}

// A window that hides may be the last modal one; Qt updates its modal stack around the hide,
// so the check waits for the next turn of the event loop.
bool ModalDeferral::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Hide && !pending_.empty() && !checkQueued_ &&
        watched->isWidgetType() && static_cast<QWidget*>(watched)->isWindow()) {
        checkQueued_ = true;
        QTimer::singleShot(0, this, &ModalDeferral::runPendingIfIdle);
    }
    return false;
}

void ModalDeferral::runPendingIfIdle() {
    checkQueued_ = false;
    if (userIsAnswering()) {
        return;
    }
    for (auto& [key, run] : std::exchange(pending_, {})) {
        run();
    }
}

}  // namespace tarvex
