#pragma once

#include <QObject>

#include <sys/types.h>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "monitor/desktop/Seams.h"

class QTimer;

namespace tarvex {

struct WrittenScript {
    std::string path;
    dev_t device = 0;  // identity of the file written, so that only it is removed later
    ino_t inode = 0;
};

// Writes "#!/bin/bash" and the command line, each ending in a line feed, into `directory` under a
// name no other script has ("tarvex_cmd-XXXXXX.command", created exclusively), mode 0755. The name
// is handed out only after the text is complete, so nobody ever runs a half-written script. Nothing
// when the file cannot be written whole.
std::optional<WrittenScript> writeTerminalScript(const std::string& directory,
                                                 std::string_view commandLine);

// Removes the script if the file at its path is still the one that was written.
void removeTerminalScript(const WrittenScript& script);

// Runs one-line commands in a terminal window through a short-lived script. Each script is
// removed a few seconds after it was handed to the terminal, long enough for the terminal to
// have read it; a second action within that time has its own script and removal.
class TerminalScriptLauncher : public QObject {
    Q_OBJECT

public:
    static constexpr int REMOVAL_DELAY_MS = 3000;
    using DirectoryLocator = std::function<std::optional<std::string>()>;

    explicit TerminalScriptLauncher(TerminalOpener& opener, QObject* parent = nullptr,
                                    DirectoryLocator locateDirectory = {});

    // Writes the script, opens it in a terminal and schedules its removal.
    Result openTerminal(std::string_view commandLine);

    // The single-shot timers of removals still to come (read and fired by tests).
    QList<QTimer*> pendingRemovals() const;

private:
    TerminalOpener& opener_;
    DirectoryLocator locateDirectory_;
};

}  // namespace tarvex
