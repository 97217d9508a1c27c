#include "monitor/controller/StatusPoller.h"

#include <QPointer>

#include "monitor/desktop/ModalDeferral.h"
#include "monitor/host/Installation.h"
#include "monitor/host/Probes.h"

namespace tarvex {

StatusPoller::StatusPoller(StatusModel& model, PrivilegedRunner& runner, Clock& clock,
                           ModalDeferral& deferral, QObject* parent)
    : QObject(parent), model_(model), runner_(runner), clock_(clock), deferral_(deferral) {
    statusTimer_.setObjectName(QStringLiteral("statusTimer"));
    statusTimer_.setSingleShot(true);
    connect(&statusTimer_, &QTimer::timeout, this,
            [this] { deferral_.runWhenIdle(&statusTimer_, [this] { refreshStatus(); }); });
    statusAnswerDeadline_.setObjectName(QStringLiteral("statusAnswerDeadline"));
    statusAnswerDeadline_.setSingleShot(true);
    statusAnswerDeadline_.setInterval(STATUS_ANSWER_TIMEOUT);
    connect(&statusAnswerDeadline_, &QTimer::timeout, this, &StatusPoller::answerTimedOut);
}

void StatusPoller::refreshStatus() {
    if (inFlight_) {
        return;
    }
    inFlight_ = true;
    const quint64 generation = ++generation_;
    statusAnswerDeadline_.start();
    QPointer<StatusPoller> self(this);
    runner_.runPrivileged(QStringLiteral("status"), [self, generation](HelperAnswer answer) {
        if (self) {
            self->receive(generation, answer);
        }
    });
}

void StatusPoller::forgetRequest() {
    ++generation_;
    inFlight_ = false;
    statusAnswerDeadline_.stop();
}

void StatusPoller::pause() {
    statusTimer_.stop();
    deferral_.cancel(&statusTimer_);
    if (inFlight_) {
        forgetRequest();
    }
}

void StatusPoller::stop() {
    statusTimer_.stop();
    statusAnswerDeadline_.stop();
    deferral_.cancel(&statusTimer_);
}

void StatusPoller::receive(quint64 generation, const HelperAnswer& reply) {
    // An answer to a request already given up on must not overtake the current one.
    if (!inFlight_ || generation != generation_) {
        return;
    }
    statusAnswerDeadline_.stop();
    inFlight_ = false;
    applyStatus(judge(reply));
}

void StatusPoller::answerTimedOut() {
    if (!inFlight_) {
        return;
    }
    forgetRequest();
    applyStatus(judge({false, {}, HelperFault::noAnswer}));
}

// A failed request has no report to read: the all-defaults status stands in for it, and the
// model shows the state as unknown rather than as that record's "Stopped".
StatusAnswer StatusPoller::judge(const HelperAnswer& reply) {
    StatusAnswer answer;
    answer.answered = reply.success;
    answer.status =
        reply.success ? TarvexStatus::parse(reply.output.toStdString()) : TarvexStatus{};
    answer.fault = reply.fault;
    answer.failure = reply.success ? QString() : reply.output;
    answer.installed = !tarvexCoreInstallMissing();
    answer.at = clock_.now();
    return answer;
}

// A start-up failure is told before the icon, menu and window change; when its alert sent the
// stop, they show the stop instead, and the stop's reply asks for the next status.
void StatusPoller::applyStatus(const StatusAnswer& answer) {
    const bool operationBefore = model_.operationInProgress();
    trackStartup(answer.status);
    if (model_.operationInProgress() && !operationBefore) {
        return;
    }
    model_.applyStatus(answer);
    scheduleNextPoll();
}

void StatusPoller::trackStartup(const TarvexStatus& status) {
    if (!status.launchdLoaded || status.state() == ServiceState::active ||
        model_.operationInProgress()) {
        startingSince_.reset();
        startupFailureShown_ = false;
        return;
    }
    const auto now = clock_.now();
    if (status.processRunning) {
        startingSince_ = now;
        startupFailureShown_ = false;
    } else if (!startingSince_) {
        startingSince_ = now;
    }
    if (!startupFailureShown_ && now - *startingSince_ > STARTUP_FAILURE_TIMEOUT) {
        startupFailureShown_ = true;
        model_.reportStartupFailure(static_cast<int>(STARTUP_FAILURE_TIMEOUT.count()));
    }
}

void StatusPoller::scheduleNextPoll() {
    const ServiceState state = model_.status().state();
    const bool transient = state == ServiceState::starting || state == ServiceState::stopping;
    statusTimer_.start(transient ? STATUS_INTERVAL_TRANSIENT : STATUS_INTERVAL_STABLE);
}

}  // namespace tarvex
