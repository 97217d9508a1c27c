#include "monitor/desktop/LoginItem.h"

#include <filesystem>
#include <sstream>
#include <system_error>
#include <utility>

#include <QCoreApplication>
#include <QFile>
#include <QSaveFile>

namespace tarvex {

namespace fs = std::filesystem;

namespace {

// `what` in the user's language, with %1 the path and %2 the system's reason.
Result failure(const char* what, const fs::path& path, const std::string& reason) {
    return Result::failure(
        QCoreApplication::translate("LoginItem", what)
            .arg(QString::fromStdString(path.string()), QString::fromStdString(reason)));
}

// Written beside the target and renamed over it, so that a session starting at that moment
// never reads half an entry.
Result writeFileAtomically(const fs::path& path, const std::string& content) {
    std::error_code error;
    fs::create_directories(path.parent_path(), error);
    if (error) {
        return failure(QT_TRANSLATE_NOOP("LoginItem", "Cannot create the folder %1: %2"),
                       path.parent_path(), error.message());
    }
    QSaveFile file(QString::fromStdString(path.string()));
    // A write that fails makes the commit fail, and the target stays as it was.
    if (!file.open(QIODevice::WriteOnly) || file.write(QByteArray::fromStdString(content)) < 0 ||
        !file.commit()) {
        return failure(QT_TRANSLATE_NOOP("LoginItem", "Cannot write %1: %2"), path,
                       file.errorString().toStdString());
    }
    return {};
}

Result removeFile(const fs::path& path) {
    std::error_code error;
    fs::remove(path, error);
    return error ? failure(QT_TRANSLATE_NOOP("LoginItem", "Cannot remove %1: %2"), path,
                           error.message())
                 : Result{};
}

// An entry takes part in autostart unless it is hidden or switched off (the key that GNOME's
// start-up settings write).
bool entryStarts(const fs::path& path) {
    QFile file(QString::fromStdString(path.string()));
    if (!file.open(QIODevice::ReadOnly)) {
        return false;
    }
    const QByteArrayList lines = file.readAll().split('\n');
    return !lines.contains("Hidden=true") && !lines.contains("X-GNOME-Autostart-enabled=false");
}

bool needsQuoting(const std::string& argument) {
    return argument.empty() ||
           argument.find_first_of(" \t\n\"'\\><~|&;$*?#()`") != std::string::npos;
}

}  // namespace

std::string desktopExecLine(const std::vector<std::string>& command) {
    std::string line;
    for (const std::string& argument : command) {
        if (!line.empty()) {
            line += ' ';
        }
        std::string quoted;
        for (char c : argument) {
            if (c == '%') {
                quoted += "%%";  // field codes start with %
            } else if (needsQuoting(argument) && (c == '"' || c == '`' || c == '$' || c == '\\')) {
                // Escaped once for the quoting and once more because the value is a string
                // whose own escape is the backslash.
                quoted += (c == '\\') ? "\\\\\\\\" : std::string("\\\\") + c;
            } else {
                quoted += c;
            }
        }
        line += needsQuoting(argument) ? "\"" + quoted + "\"" : quoted;
    }
    return line;
}

XdgAutostart::XdgAutostart(std::string userConfigHome, std::vector<std::string> systemConfigDirs,
                           std::vector<std::string> command)
    : userConfigHome_(std::move(userConfigHome)),
      systemConfigDirs_(std::move(systemConfigDirs)),
      command_(std::move(command)) {}

std::string XdgAutostart::userEntryPath() const {
    return (fs::path(userConfigHome_) / "autostart" / AUTOSTART_ENTRY_NAME).string();
}

// The first system folder that holds the entry decides, as in the autostart lookup.
bool XdgAutostart::systemEntryStarts() const {
    for (const std::string& dir : systemConfigDirs_) {
        const fs::path entry = fs::path(dir) / "autostart" / AUTOSTART_ENTRY_NAME;
        if (fs::exists(entry)) {
            return entryStarts(entry);
        }
    }
    return false;
}

bool XdgAutostart::enabled() const {
    const fs::path user = userEntryPath();
    return fs::exists(user) ? entryStarts(user) : systemEntryStarts();
}

Result XdgAutostart::setEnabled(bool on) {
    const bool packaged = systemEntryStarts();
    if (on == packaged) {
        return removeFile(userEntryPath());
    }
    std::ostringstream entry;
    entry << "[Desktop Entry]\n"
          << "Type=Application\n"
          << "Name=tarvex Monitor\n"
          << "Comment=See and control the local tarvex database service\n"
          << "Exec=" << desktopExecLine(command_) << "\n"
          << "Icon=tarvex-monitor\n"
          << "Terminal=false\n";
    if (!on) {
        entry << "Hidden=true\n";
    }
    return writeFileAtomically(userEntryPath(), entry.str());
}

LaunchAgentLoginItem::LaunchAgentLoginItem(std::string agentsDir, std::vector<std::string> command)
    : agentsDir_(std::move(agentsDir)), command_(std::move(command)) {}

std::string LaunchAgentLoginItem::agentPath() const {
    return (fs::path(agentsDir_) / (std::string(LAUNCH_AGENT_LABEL) + ".plist")).string();
}

bool LaunchAgentLoginItem::enabled() const {
    return fs::exists(agentPath());
}

Result LaunchAgentLoginItem::setEnabled(bool on) {
    if (!on) {
        return removeFile(agentPath());
    }
    std::ostringstream plist;
    plist << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
          << "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
             "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
          << "<plist version=\"1.0\">\n<dict>\n"
          << "\t<key>Label</key>\n\t<string>" << LAUNCH_AGENT_LABEL << "</string>\n"
          << "\t<key>ProgramArguments</key>\n\t<array>\n";
    for (const std::string& argument : command_) {
        plist << "\t\t<string>" << QString::fromStdString(argument).toHtmlEscaped().toStdString()
              << "</string>\n";
    }
    plist << "\t</array>\n"
          << "\t<key>RunAtLoad</key>\n\t<true/>\n"
          << "\t<key>ProcessType</key>\n\t<string>Interactive</string>\n"
          << "</dict>\n</plist>\n";
    return writeFileAtomically(agentPath(), plist.str());
}

}  // namespace tarvex
