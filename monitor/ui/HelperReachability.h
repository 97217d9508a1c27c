#pragma once

#include <QCoreApplication>
#include <QString>

#include "monitor/privileged/PrivilegedRunner.h"

namespace tarvex {

// What the user is told while the helper cannot be reached: why, in a few words, and the one
// command that mends the common case of that fault.
class HelperReachability {
    Q_DECLARE_TR_FUNCTIONS(HelperReachability)

public:
    // "The tarvex helper cannot be reached: <why>."
    static QString problem(HelperFault fault);
    // The command to run in a terminal.
    static QString remedy(HelperFault fault);
    // Both, for the tooltip and the main window.
    static QString explanation(HelperFault fault);
};

}  // namespace tarvex
