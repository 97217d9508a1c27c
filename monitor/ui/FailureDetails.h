#pragma once

#include <QCoreApplication>
#include <QString>

#include <string>
#include <string_view>

#include "monitor/privileged/PrivilegedRunner.h"

namespace tarvex {

// Why a request through the helper failed, in the user's words: for the details of its failure
// alert, whose text only points to the log files, and for its notification.
class FailureDetails {
    Q_DECLARE_TR_FUNCTIONS(FailureDetails)

public:
    // One line: why the helper could not be reached, or the last line the command printed (cut
    // to what a tooltip or a notification shows); empty when it printed nothing.
    static QString line(const QString& output, HelperFault fault);
    // The alert's details for a failed reply to `command`: why (the helper's fault and its
    // remedy, or the last lines the command printed), then what the log pointer above them
    // cannot say itself.
    static QString forReply(std::string_view command, const HelperAnswer& answer);
    // `reason`, then a word on the log files the alert names where they are missing, and for a
    // command that needs the data folder, how to make a missing one. Empty when all is there
    // and there is no reason to give.
    static QString withReason(const QString& reason, std::string_view command);

private:
    static QString logFilesNote(std::string_view command);
};

}  // namespace tarvex
