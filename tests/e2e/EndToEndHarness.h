#pragma once

// The monitor's controller against the real helper program and the simulated control tool:
// every request crosses the socket and runs the tool; only the desktop (alerts, password
// dialog, clock, bundle location, application object) is faked.

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "monitor/controller/TarvexMenuBarApp.h"
#include "monitor/privileged/HelperClient.h"
#include "tests/helper/HelperLauncher.h"
#include "tests/support/FakeSeams.h"
#include "tests/support/FireTimer.h"
#include "tests/support/TempFolder.h"

namespace tarvex::testing {

// The real privileged runner, keeping a record of every request and its answer.
class RecordingRunner : public PrivilegedRunner {
public:
    struct Exchange {
        std::string command;
        bool answered = false;
        bool success = false;
        std::string output;
    };

    void runPrivileged(const QString& command, HelperAnswerHandler completion) override;

    int outstanding() const;
    std::vector<std::string> commands() const;
    // The answered exchanges of `command`, oldest first.
    std::vector<Exchange> answersTo(const std::string& command) const;

private:
    struct Record {
        std::deque<Exchange> exchanges;
    };
    HelperRunner real_;
    // Shared with the completions in flight, so that a late answer never writes into freed
    // memory.
    std::shared_ptr<Record> record_ = std::make_shared<Record>();
};

class EndToEndTest : public ::testing::Test, protected FakeDesktop {
protected:
    void SetUp() override;
    void TearDown() override;

    // --- The simulated installation ---
    std::string toolRoot() const { return prefix_ + "/opt/tarvex"; }
    std::string simFile(const std::string& name) const {
        return toolRoot() + "/var/tarvex/sim/" + name;
    }
    void addFault(const std::string& line);

    // --- The helper and the tool's clock ---
    // The tool's clock stands still (pinned in the simulation's now_ms file), so that each state
    // lasts exactly as long as the test wants; advancing it restarts the helper with a later
    // time. Call only while no request is outstanding.
    void advanceToolClock(long long milliseconds);
    bool startHelper();
    void stopHelper();
    // One request straight to the helper, bypassing the monitor.
    HelperReply askHelper(const std::string& command);

    // --- The controller ---
    // Constructs and launches the controller and waits for the answer to the first poll.
    TarvexMenuBarApp& launch();
    // Runs the event loop until `done` holds or `deadlineMs` passes.
    bool waitUntil(const std::function<bool()>& done, int deadlineMs = 20000);
    // Until no request is outstanding, and so every chain of answers has run out.
    bool waitUntilIdle();
    // Fires the armed poll timer the way its expiry would and waits for the answer.
    void poll();
    std::string statusLine() const;

    TempFolder temp_;
    std::string prefix_;
    std::string socketPath_;
    long long toolNowMs_ = 1'700'000'000'000;
    HelperLauncher helper_;

    RecordingRunner runner;
    std::unique_ptr<TarvexMenuBarApp> app;
};

}  // namespace tarvex::testing
