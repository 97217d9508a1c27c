// The status model's judgement of each answer: the state a glance reads and what may be asked.

#include <gtest/gtest.h>

#include "monitor/ui/StatusModel.h"
#include "tests/support/TestApplication.h"

namespace tarvex {
namespace {

const TarvexStatus ACTIVE{"3311", true, "42", true, true};
const TarvexStatus STARTING{"3311", false, "", false, true};
const TarvexStatus STOPPING{"3311", true, "42", false, false};
const TarvexStatus STOPPED{"3311", false, "", false, false};

StatusAnswer answered(const TarvexStatus& status) {
    return StatusAnswer{status, true, HelperFault::none, {}, true, {}};
}
StatusAnswer unreachable() {
    return StatusAnswer{{},   false, HelperFault::noSocket, "Cannot connect to helper service",
                        true, {}};
}
StatusAnswer failedRun() {
    return StatusAnswer{{},   false, HelperFault::none, "tarvexctl: cannot read the pid file\n",
                        true, {}};
}
StatusAnswer notInstalled(StatusAnswer answer) {
    answer.installed = false;
    return answer;
}

// Start, stop, restart, settings, initialize, uninstall, and the logs and diagnosis.
using Enabled = std::array<bool, 7>;

Enabled enabledIn(const StatusModel& model) {
    return {model.canStart(),         model.canStop(),       model.canRestart(),
            model.canOpenSettings(),  model.canInitialize(), model.canUninstall(),
            model.canRunMaintenance()};
}

TEST(StatusModelTest, EachAnswerGivesItsStateLineAndEnablingLockedOrNot) {
    testing::ensureTestApplication();
    struct Case {
        const char* what;
        std::optional<StatusAnswer> answer;  // none: before the first answer
        bool locked;
        ShownState state;
        const char* line;
        Enabled enabled;
    };
    const Case cases[] = {
        {"no answer yet", {}, false, ShownState::unknown, "tarvex: Unknown", {1, 1, 1, 1, 1, 1, 1}},
        {"active",
         answered(ACTIVE),
         false,
         ShownState::active,
         "tarvex: Active (PID 42)",
         {0, 1, 1, 1, 1, 1, 1}},
        {"starting",
         answered(STARTING),
         false,
         ShownState::starting,
         "tarvex: Starting\u2026",
         {0, 0, 0, 1, 1, 1, 1}},
        {"stopping",
         answered(STOPPING),
         false,
         ShownState::stopping,
         "tarvex: Stopping\u2026",
         {0, 0, 0, 1, 1, 1, 1}},
        {"stopped",
         answered(STOPPED),
         false,
         ShownState::stopped,
         "tarvex: Stopped",
         {1, 0, 0, 1, 1, 1, 1}},
        {"active, locked",
         answered(ACTIVE),
         true,
         ShownState::active,
         "tarvex: Active (PID 42)",
         {0, 0, 0, 0, 0, 1, 1}},
        {"stopped, locked",
         answered(STOPPED),
         true,
         ShownState::stopped,
         "tarvex: Stopped",
         {0, 0, 0, 0, 0, 1, 1}},
        {"helper unreachable",
         unreachable(),
         false,
         ShownState::unknown,
         "tarvex: Status unknown",
         {0, 0, 0, 1, 0, 0, 1}},
        {"status run failed",
         failedRun(),
         false,
         ShownState::unknown,
         "tarvex: Status unknown",
         {0, 0, 0, 1, 0, 0, 1}},
        {"helper unreachable, locked",
         unreachable(),
         true,
         ShownState::unknown,
         "tarvex: Status unknown",
         {0, 0, 0, 0, 0, 0, 1}},
        {"not installed",
         notInstalled(answered(STOPPED)),
         false,
         ShownState::notInstalled,
         "tarvex: Not installed",
         {0, 0, 0, 1, 0, 0, 0}},
        {"not installed, helper unreachable",
         notInstalled(unreachable()),
         false,
         ShownState::notInstalled,
         "tarvex: Not installed",
         {0, 0, 0, 1, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        StatusModel model;
        if (c.answer) {
            model.applyStatus(*c.answer);
        }
        model.setOperationInProgress(c.locked);
        EXPECT_EQ(model.state(), c.state) << c.what;
        EXPECT_EQ(model.iconState(), c.state) << c.what;
        EXPECT_EQ(model.statusLine(), QString::fromUtf8(c.line)) << c.what;
        EXPECT_EQ(enabledIn(model), c.enabled) << c.what;
        EXPECT_EQ(model.portLine(), isServiceState(c.state) && c.answer ? "Port: 3311" : "Port: --")
            << c.what;
        EXPECT_EQ(model.reason().isEmpty(), isServiceState(c.state) || !c.answer) << c.what;
    }
}

TEST(StatusModelTest, AnUnknownStateSaysWhyAndWhatWasLastSeen) {
    testing::ensureTestApplication();
    StatusModel model;
    StatusAnswer seen = answered(ACTIVE);
    seen.at = std::chrono::system_clock::now();
    model.applyStatus(seen);
    EXPECT_EQ(model.lastSeenLine(), QString());

    StatusAnswer failed = failedRun();
    failed.at = seen.at + std::chrono::seconds(1);
    model.applyStatus(failed);
    EXPECT_TRUE(model.lastSeenLine().startsWith("Last seen Active (PID 42) at "))
        << model.lastSeenLine().toStdString();
    EXPECT_EQ(model.explanation(),
              "The status of the service could not be read: tarvexctl: cannot read the pid file");

    model.applyStatus(unreachable());
    EXPECT_TRUE(model.explanation().contains("sudo systemctl enable --now tarvex-helper.socket"))
        << model.explanation().toStdString();
    model.applyStatus(notInstalled(unreachable()));
    EXPECT_EQ(model.lastSeenLine(), QString());
    EXPECT_TRUE(model.explanation().startsWith("No tarvex installation was found in "));
}

}  // namespace
}  // namespace tarvex
