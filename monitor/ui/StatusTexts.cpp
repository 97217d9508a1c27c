#include "monitor/ui/StatusTexts.h"

#include <QCoreApplication>

#include <string_view>

#include "monitor/host/Installation.h"

namespace tarvex {

QString summaryText(const TarvexStatus& status) {
    switch (status.state()) {
        case ServiceState::active:
            return status.pid.empty()
                       ? QCoreApplication::translate("StatusTexts", "Active")
                       : QCoreApplication::translate("StatusTexts", "Active (PID %1)")
                             .arg(QString::fromStdString(status.pid));
        case ServiceState::starting:
            return QCoreApplication::translate("StatusTexts", "Starting…");
        case ServiceState::stopping:
            return QCoreApplication::translate("StatusTexts", "Stopping…");
        case ServiceState::stopped:
            break;
    }
    return QCoreApplication::translate("StatusTexts", "Stopped");
}

QString statusLineText(ShownState state, const TarvexStatus& status, bool answered) {
    QString summary = summaryText(status);
    if (!answered) {
        summary = QCoreApplication::translate("StatusTexts", "Unknown");
    } else if (state == ShownState::unknown) {
        summary = QCoreApplication::translate("StatusTexts", "Status unknown");
    } else if (state == ShownState::notInstalled) {
        summary = QCoreApplication::translate("StatusTexts", "Not installed");
    }
    return QCoreApplication::translate("StatusTexts", "tarvex: %1").arg(summary);
}

QString portLineText(const TarvexStatus& status) {
    return QCoreApplication::translate("StatusTexts", "Port: %1")
        .arg(status.port.empty() ? QStringLiteral("--") : QString::fromStdString(status.port));
}

QString startupFailureText(int seconds) {
    return QCoreApplication::translate(
               "StatusTexts",
               "The service has not started after %1 seconds. The process may be crashing on "
               "startup.")
        .arg(seconds);
}

QString logDetails() {
    constexpr std::string_view heading = "Check logs for details:";
    const std::string text = logDetailsText();
    if (!text.starts_with(heading)) {
        return QString::fromStdString(text);
    }
    return QCoreApplication::translate("StatusTexts", "Check logs for details:") +
           QString::fromStdString(text.substr(heading.size()));
}

}  // namespace tarvex
