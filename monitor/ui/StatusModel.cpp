#include "monitor/ui/StatusModel.h"

#include <QDateTime>
#include <QLocale>

#include "monitor/ui/FailureDetails.h"
#include "monitor/ui/HelperReachability.h"
#include "monitor/ui/StatusTexts.h"
#include "shared/base/FixedPaths.h"

namespace tarvex {

namespace {

QDateTime localTime(std::chrono::system_clock::time_point at) {
    return QDateTime::fromMSecsSinceEpoch(
        std::chrono::duration_cast<std::chrono::milliseconds>(at.time_since_epoch()).count());
}

}  // namespace

ShownState StatusModel::state() const {
    if (!installed_) {
        return ShownState::notInstalled;
    }
    if (!hasStatus_ || !answered_) {
        return ShownState::unknown;
    }
    return shownStateOf(status_.state());
}

ShownState StatusModel::iconState() const {
    return operationIcon_ ? shownStateOf(*operationIcon_) : state();
}

QString StatusModel::statusLine() const {
    return operationLine_.isEmpty() ? stateLine() : operationLine_;
}

QString StatusModel::stateLine() const {
    return statusLineText(state(), status_, hasStatus_);
}

QString StatusModel::portLine() const {
    return isServiceState(state()) ? portLineText(status_) : portLineText(TarvexStatus{});
}

QString StatusModel::reason() const {
    if (state() == ShownState::notInstalled) {
        return tr("tarvex is not installed.");
    }
    if (state() != ShownState::unknown || !hasStatus_) {
        return {};
    }
    return helperFault_ == HelperFault::none ? tr("The status of the service could not be read.")
                                             : tr("The helper cannot be reached.");
}

QString StatusModel::explanation() const {
    if (state() == ShownState::notInstalled) {
        return tr("No tarvex installation was found in %1. Once tarvex is installed, the "
                  "monitor shows it by itself.")
            .arg(QString::fromStdString(TARVEX_ROOT));
    }
    if (state() != ShownState::unknown || !hasStatus_) {
        return {};
    }
    if (helperFault_ != HelperFault::none) {
        return HelperReachability::explanation(helperFault_);
    }
    return failure_.isEmpty() ? reason()
                              : tr("The status of the service could not be read: %1").arg(failure_);
}

QString StatusModel::lastSeenLine() const {
    if (state() != ShownState::unknown || !lastSeen_) {
        return {};
    }
    const QDateTime seen = localTime(lastSeen_->at);
    const QLocale locale;
    const QString when = seen.date() == localTime(answeredAt_).date()
                             ? locale.toString(seen.time(), QLocale::ShortFormat)
                             : locale.toString(seen, QLocale::ShortFormat);
    return tr("Last seen %1 at %2").arg(summaryText(lastSeen_->status), when);
}

bool StatusModel::locked() const {
    return operationInProgress_ || operationIcon_.has_value();
}

// Before the first answer nothing is known, and every command is offered as the menu is built.
bool StatusModel::serviceCommandFor(std::optional<ShownState> needed) const {
    if (!hasStatus_) {
        return true;
    }
    const ShownState shown = state();
    return isServiceState(shown) && (!needed || shown == *needed);
}

bool StatusModel::canStart() const {
    return !locked() && serviceCommandFor(ShownState::stopped);
}

bool StatusModel::canStop() const {
    return !locked() && serviceCommandFor(ShownState::active);
}

bool StatusModel::canRestart() const {
    return canStop();
}

bool StatusModel::canOpenSettings() const {
    return !locked();
}

bool StatusModel::canInitialize() const {
    return !locked() && serviceCommandFor(std::nullopt);
}

// Uninstall is no operation that holds the lock: it may be asked for while one runs.
bool StatusModel::canUninstall() const {
    return serviceCommandFor(std::nullopt);
}

bool StatusModel::canRunMaintenance() const {
    return state() != ShownState::notInstalled;
}

void StatusModel::applyStatus(const StatusAnswer& answer) {
    status_ = answer.status;
    hasStatus_ = true;
    answered_ = answer.answered;
    installed_ = answer.installed;
    helperFault_ = answer.fault;
    failure_ = answered_ ? QString() : FailureDetails::line(answer.failure, HelperFault::none);
    answeredAt_ = answer.at;
    if (answered_) {
        lastSeen_ = Seen{status_, answer.at};
    }
    operationIcon_.reset();
    operationLine_.clear();
    emit changed();
    emit answerApplied(answer);
}

void StatusModel::applyStatus(const TarvexStatus& status, HelperFault fault) {
    StatusAnswer answer;
    answer.status = status;
    answer.answered = fault == HelperFault::none;
    answer.fault = fault;
    applyStatus(answer);
}

void StatusModel::setOperationInProgress(bool inProgress) {
    if (operationInProgress_ == inProgress) {
        return;
    }
    operationInProgress_ = inProgress;
    emit changed();
}

void StatusModel::showOperation(ServiceState iconState, const QString& statusLine) {
    operationIcon_ = iconState;
    operationLine_ = statusLine;
    emit changed();
}

void StatusModel::endOperationLook() {
    if (!operationIcon_ && operationLine_.isEmpty()) {
        return;
    }
    operationIcon_.reset();
    operationLine_.clear();
    emit changed();
}

}  // namespace tarvex
