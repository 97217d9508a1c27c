#pragma once

#include <QString>

#include "monitor/status/TarvexStatus.h"
#include "monitor/ui/ShownState.h"

namespace tarvex {

// The user's words for what the status model says; the model itself speaks no language.
QString summaryText(const TarvexStatus& status);
// "tarvex: " and the summary of `state` (that of `status` in a service state), as the status menu
// and the main window show it; before the first answer (`answered` false) "Unknown".
QString statusLineText(ShownState state, const TarvexStatus& status, bool answered);
// "Port: " and the port, or "--" without one.
QString portLineText(const TarvexStatus& status);
// Why a service loaded this long without a running process counts as failing to start.
QString startupFailureText(int seconds);
// The pointer to the log files under every failure alert, its heading in the user's language.
QString logDetails();

}  // namespace tarvex
