#pragma once

#include <QString>

#include "monitor/status/TarvexStatus.h"

namespace tarvex {

// The user's words for what the status model says; the model itself speaks no language.
QString summaryText(const TarvexStatus& status);
// The summary before the first answer.
QString unknownSummaryText();
// The summaries of the two states in which the service's own is not known.
QString statusUnknownSummaryText();
QString notInstalledSummaryText();
// "tarvex: " and the summary, as the status menu and the main window show it.
QString statusLineText(const TarvexStatus& status);
QString statusLineText(const QString& summary);
// "Port: " and the port, or "--" without one.
QString portLineText(const TarvexStatus& status);
// Why a service loaded this long without a running process counts as failing to start.
QString startupFailureText(int seconds);
// The pointer to the log files under every failure alert, its heading in the user's language.
QString logDetails();

}  // namespace tarvex
