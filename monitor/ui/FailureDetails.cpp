#include "monitor/ui/FailureDetails.h"

#include <QStringList>

#include "monitor/host/HostFiles.h"
#include "monitor/host/Installation.h"
#include "monitor/ui/HelperReachability.h"

namespace tarvex {

namespace {

constexpr qsizetype LINE_CHARACTERS = 160;
constexpr int REASON_LINES = 5;
constexpr qsizetype REASON_CHARACTERS = 2000;

// The last `count` lines that say something, oldest first.
QStringList lastLines(const QString& output, int count) {
    QStringList lines = output.split(QLatin1Char('\n'));
    for (QString& line : lines) {
        line = line.trimmed();
    }
    lines.removeAll(QString());
    return lines.mid(qMax(0, lines.size() - count));
}

// The end of a text that may be longer than anyone reads, marked as cut at its start.
QString tail(const QString& text, qsizetype characters) {
    return text.size() <= characters ? text : QChar(0x2026) + text.right(characters - 1);
}

// Only start and restart need the data folder: they are what Initialize Database helps.
bool needsDataFolder(std::string_view command) {
    return command == "start" || command == "restart";
}

}  // namespace

QString FailureDetails::line(const QString& output, HelperFault fault) {
    if (fault != HelperFault::none) {
        return HelperReachability::problem(fault);
    }
    const QStringList last = lastLines(output, 1);
    if (last.isEmpty()) {
        return {};
    }
    const QString& text = last.front();
    return text.size() <= LINE_CHARACTERS ? text : text.left(LINE_CHARACTERS - 1) + QChar(0x2026);
}

QString FailureDetails::forReply(std::string_view command, const HelperAnswer& answer) {
    if (answer.fault != HelperFault::none) {
        return withReason(HelperReachability::explanation(answer.fault), command);
    }
    const QStringList last = lastLines(answer.output, REASON_LINES);
    return withReason(last.isEmpty() ? tr("The command failed without printing a reason.")
                                     : tail(last.join(QLatin1Char('\n')), REASON_CHARACTERS),
                      command);
}

QString FailureDetails::withReason(const QString& reason, std::string_view command) {
    QStringList parts = {reason, logFilesNote(command)};
    parts.removeAll(QString());  // drops an empty one
    return parts.join(QStringLiteral("\n\n"));
}

QString FailureDetails::logFilesNote(std::string_view command) {
    const std::string baseDir = readRuntimeBaseDir();
    if (!pathExists(baseDir)) {
        QString note = tr("The data folder %1 does not exist, and with it none of the log files "
                          "above.")
                           .arg(QString::fromStdString(baseDir));
        if (needsDataFolder(command)) {
            note += QLatin1Char(' ') + tr("To create it, choose Initialize Database.");
        }
        return note;
    }
    QStringList missing;
    const auto paths = logFilePaths();
    for (const std::string& path : paths) {
        if (!pathExists(path)) {
            missing << QString::fromStdString(path).section(QLatin1Char('/'), -1);
        }
    }
    if (missing.isEmpty()) {
        return {};
    }
    if (missing.size() == static_cast<qsizetype>(paths.size())) {
        return tr("None of the log files above exists.");
    }
    return tr("Of the log files above, these do not exist: %1.")
        .arg(missing.join(QStringLiteral(", ")));
}

}  // namespace tarvex
