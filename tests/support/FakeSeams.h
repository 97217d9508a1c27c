#pragma once

// Fakes for every seam of the monitor. Each records what it was asked and answers what the
// test scripted; nothing here sleeps or touches the desktop.

#include <deque>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "monitor/controller/MonitorSeams.h"
#include "monitor/desktop/Notifier.h"

// Failed comparisons print the text, not its bytes.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace tarvex::testing {

// Holds each request until the test answers it, like a helper that replies later.
class FakeRunner : public PrivilegedRunner {
public:
    struct Request {
        std::string command;
        HelperAnswerHandler completion;
    };

    void runPrivileged(const QString& command, HelperAnswerHandler completion) override {
        requests.push_back({command.toStdString(), std::move(completion)});
    }

    // Answers the oldest unanswered request; false when there is none. A fault answers as
    // the runner does when the helper cannot be reached.
    bool answerNext(bool success, const std::string& output = "",
                    HelperFault fault = HelperFault::none) {
        if (requests.empty()) {
            return false;
        }
        Request request = std::move(requests.front());
        requests.pop_front();
        answered.push_back(request.command);
        request.completion({success, QString::fromStdString(output), fault});
        return true;
    }

    std::vector<std::string> pendingCommands() const {
        std::vector<std::string> names;
        for (const auto& r : requests) {
            names.push_back(r.command);
        }
        return names;
    }

    std::deque<Request> requests;
    std::vector<std::string> answered;
};

class FakeAuthorizer : public Authorizer {
public:
    bool authorizeAdmin(const QString& prompt) override {
        prompts.push_back(prompt.toStdString());
        return grant;
    }
    bool grant = true;
    std::vector<std::string> prompts;
};

class FakeAlerts : public Alerts {
public:
    int runModal(const AlertSpec& alert) override {
        shown.push_back(alert);
        if (onShow) {
            onShow(alert);
        }
        if (answers.empty()) {
            return 0;
        }
        const int answer = answers.front();
        answers.pop_front();
        return answer;
    }
    std::deque<int> answers;  // button indexes to answer, in order; default 0
    std::vector<AlertSpec> shown;
    std::function<void(const AlertSpec&)> onShow;
};

class FakeSaveDialog : public SaveDialog {
public:
    std::optional<QString> askForDestination(const QString& title,
                                             const QString& proposedName) override {
        titles.push_back(title.toStdString());
        proposedNames.push_back(proposedName.toStdString());
        if (!answer) {
            return std::nullopt;
        }
        return QString::fromStdString(*answer);
    }
    std::optional<std::string> answer;
    std::vector<std::string> titles;
    std::vector<std::string> proposedNames;
};

class FakeTerminal : public TerminalOpener {
public:
    Result openScript(const std::string& scriptPath) override {
        opened.push_back(scriptPath);
        return failure.empty() ? Result() : Result::failure(QString::fromStdString(failure));
    }
    std::vector<std::string> opened;
    std::string failure;  // what the opener reports; empty: a terminal started
};

class FakeFileViewer : public FileViewer {
public:
    void showFolder(const std::string& path, std::function<void(bool)> done) override {
        shown.push_back(path);
        done(opens);
    }
    std::vector<std::string> shown;
    bool opens = true;
};

class FakeClock : public Clock {
public:
    std::chrono::system_clock::time_point now() override { return current; }
    void advance(double seconds) {
        current += std::chrono::duration_cast<std::chrono::system_clock::duration>(
            std::chrono::duration<double>(seconds));
    }
    std::chrono::system_clock::time_point current{std::chrono::hours(24 * 365 * 50)};
};

class FakeBundle : public BundleLocator {
public:
    std::string bundlePath() override { return path; }
    std::string path = "/opt/tarvex-monitor";
};

class FakeAppHost : public AppHost {
public:
    void activate() override { ++activations; }
    void terminate() override { ++terminations; }
    bool trayAvailable() override { return tray; }
    void whenTrayAppears(std::function<void()> appeared) override { trayAppeared = appeared; }
    bool tray = true;
    std::function<void()> trayAppeared;  // the test calls it once it has set `tray`
    int activations = 0;
    int terminations = 0;
};

class FakeNotifier : public Notifier {
public:
    struct Sent {
        std::string summary;
        std::string body;
        NotificationUrgency urgency;
    };
    void notify(const QString& summary, const QString& body, NotificationUrgency urgency) override {
        sent.push_back({summary.toStdString(), body.toStdString(), urgency});
    }
    std::vector<Sent> sent;
};

class FakeLoginItem : public LoginItem {
public:
    bool enabled() const override { return on; }
    Result setEnabled(bool wanted) override {
        requested.push_back(wanted);
        if (failure.empty()) {
            on = wanted;
            return {};
        }
        return Result::failure(QString::fromStdString(failure));
    }
    bool on = false;
    std::string failure;
    std::vector<bool> requested;
};

// Every fake but the privileged runner, which each harness picks for itself: one that holds
// requests back, one that watches them go out, or the real helper client.
struct FakeDesktop {
    FakeAuthorizer authorizer;
    FakeAlerts alerts;
    FakeSaveDialog saveDialog;
    FakeTerminal terminal;
    FakeFileViewer fileViewer;
    FakeClock clock;
    FakeBundle bundle;
    FakeAppHost appHost;
    FakeNotifier notifier;
    FakeLoginItem loginItem;

    MonitorSeams seamsWith(PrivilegedRunner& runner) {
        return MonitorSeams{runner, authorizer, alerts,  saveDialog, terminal, fileViewer,
                            clock,  bundle,     appHost, notifier,   loginItem};
    }
};

// All fakes together, and the seams struct that points at them.
struct FakeWorld : FakeDesktop {
    FakeRunner runner;

    MonitorSeams seams() { return seamsWith(runner); }
};

}  // namespace tarvex::testing
