#include "monitor/ui/StatusModel.h"

#include "monitor/ui/StatusTexts.h"

namespace tarvex {

ServiceState StatusModel::iconState() const {
    return operationIcon_.value_or(status_.state());
}

QString StatusModel::statusLine() const {
    if (!operationLine_.isEmpty()) {
        return operationLine_;
    }
    return hasStatus_ ? statusLineText(status_) : statusLineText(unknownSummaryText());
}

QString StatusModel::portLine() const {
    return portLineText(status_);
}

bool StatusModel::locked() const {
    return operationInProgress_ || operationIcon_.has_value();
}

// Before the first answer nothing is known, and every command is offered as the menu is built.
bool StatusModel::serviceCommandFor(ServiceState needed) const {
    return !locked() && helperReachable() && (!hasStatus_ || status_.state() == needed);
}

bool StatusModel::canStart() const {
    return serviceCommandFor(ServiceState::stopped);
}

bool StatusModel::canStop() const {
    return serviceCommandFor(ServiceState::active);
}

bool StatusModel::canRestart() const {
    return canStop();
}

bool StatusModel::canOpenSettings() const {
    return !locked();
}

bool StatusModel::canInitialize() const {
    return !locked() && helperReachable();
}

void StatusModel::applyStatus(const TarvexStatus& status, HelperFault fault) {
    status_ = status;
    hasStatus_ = true;
    helperFault_ = fault;
    operationIcon_.reset();
    operationLine_.clear();
    emit changed();
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

}  // namespace tarvex
