#pragma once

#include <QObject>

#include <functional>
#include <map>

namespace tarvex {

// Holds back work that must not happen behind an open modal alert or an open menu, as on the
// desktop where the application's timers wait while the user answers: Qt would run them inside
// the alert's own event loop. Work handed over while nothing modal is open runs at once;
// otherwise it runs once, on the event loop, after the last modal window or menu has closed.
// Work handed over again under the same key while it waits replaces the earlier one.
class ModalDeferral : public QObject {
    Q_OBJECT

public:
    explicit ModalDeferral(QObject* parent = nullptr);
    ~ModalDeferral() override;

    void runWhenIdle(const void* key, std::function<void()> work);
    // Drops the work waiting under `key`, if any: what it was for no longer holds.
    void cancel(const void* key) { pending_.erase(key); }

    // A modal window or a popup menu of this application is open.
    static bool userIsAnswering();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void runPendingIfIdle();

    std::map<const void*, std::function<void()>> pending_;
    bool checkQueued_ = false;
};

}  // namespace tarvex
