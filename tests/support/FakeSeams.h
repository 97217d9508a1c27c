#pragma once

// Fakes for every seam of the monitor. Each records what it was asked and answers what the
// test scripted; nothing here sleeps or touches the desktop.

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "monitor/controller/MonitorSeams.h"

namespace tarvex::testing {

// Holds each request until the test answers it, like a helper that replies later.
class FakeRunner : public PrivilegedRunner {
public:
    struct Request {
        std::string command;
        std::vector<std::string> args;
        PrivilegedCompletion completion;
    };

    void run(const std::string& command, const std::vector<std::string>& args,
             PrivilegedCompletion completion) override {
        requests.push_back({command, args, std::move(completion)});
    }

    // Answers the oldest unanswered request; false when there is none.
    bool answerNext(bool success, const std::string& output = "") {
        if (requests.empty()) {
            return false;
        }
        Request request = std::move(requests.front());
        requests.pop_front();
        answered.push_back(request.command);
        request.completion(success, output);
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
    bool authorizeAdmin(const std::string& prompt) override {
        prompts.push_back(prompt);
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
    std::optional<std::string> askForDestination(const std::string& title,
                                                 const std::string& proposedName) override {
        titles.push_back(title);
        proposedNames.push_back(proposedName);
        return answer;
    }
    std::optional<std::string> answer;
    std::vector<std::string> titles;
    std::vector<std::string> proposedNames;
};

class FakeTerminal : public TerminalOpener {
public:
    void openScript(const std::string& scriptPath) override { opened.push_back(scriptPath); }
    std::vector<std::string> opened;
};

class FakeFileViewer : public FileViewer {
public:
    void showFolder(const std::string& path) override { shown.push_back(path); }
    std::vector<std::string> shown;
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
    int activations = 0;
    int terminations = 0;
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

    MonitorSeams seamsWith(PrivilegedRunner& runner) {
        return MonitorSeams{runner,     authorizer, alerts, saveDialog, terminal,
                            fileViewer, clock,      bundle, appHost};
    }
};

// All fakes together, and the seams struct that points at them.
struct FakeWorld : FakeDesktop {
    FakeRunner runner;

    MonitorSeams seams() { return seamsWith(runner); }
};

}  // namespace tarvex::testing
