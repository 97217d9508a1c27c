// The status model's judgement of each answer: the state a glance reads and what may be asked.

#include <gtest/gtest.h>

#include "monitor/ui/StatusModel.h"
#include "tests/support/TestApplication.h"

namespace tarvex {
namespace {

StatusAnswer answered(TarvexStatus status) {
    return {std::move(status), true, HelperFault::none, {}, true, std::chrono::system_clock::now()};
}
const StatusAnswer ACTIVE = answered({"3311", true, "42", true, true});
const StatusAnswer STARTING = answered({"3311", false, "", false, true});
const StatusAnswer STOPPING = answered({"3311", true, "42", false, false});
const StatusAnswer STOPPED = answered({"3311", false, "", false, false});
const StatusAnswer UNREACHABLE{{}, false, HelperFault::noSocket, "Cannot connect", true, {}};
const StatusAnswer FAILED_RUN{{}, false, HelperFault::none, "tarvexctl: no pid file\n", true, {}};
StatusAnswer notInstalled(StatusAnswer answer) {
    answer.installed = false;
    return answer;
}

// Start, stop, restart, settings, initialize, uninstall, and the logs and diagnosis, as 0 and 1.
std::string enabledIn(const StatusModel& model) {
    std::string flags;
    for (bool on : {model.canStart(), model.canStop(), model.canRestart(), model.canOpenSettings(),
                    model.canInitialize(), model.canUninstall(), model.canRunMaintenance()}) {
        flags += on ? '1' : '0';
    }
    return flags;
}

TEST(StatusModelTest, EachAnswerGivesItsStateLineAndEnablingLockedOrNot) {
    testing::ensureTestApplication();
    using S = ShownState;
    struct Case {
        std::optional<StatusAnswer> answer;  // none: before the first answer
        bool locked;
        ShownState state;
        const char* line;
        const char* enabled;
    };
    // clang-format off
    const Case cases[] = {
        {{},                          false, S::unknown,      "tarvex: Unknown",         "1111111"},
        {ACTIVE,                      false, S::active,       "tarvex: Active (PID 42)", "0111111"},
        {STARTING,                    false, S::starting,     "tarvex: Starting\u2026",  "0001111"},
        {STOPPING,                    false, S::stopping,     "tarvex: Stopping\u2026",  "0001111"},
        {STOPPED,                     false, S::stopped,      "tarvex: Stopped",         "1001111"},
        {ACTIVE,                      true,  S::active,       "tarvex: Active (PID 42)", "0000011"},
        {STOPPED,                     true,  S::stopped,      "tarvex: Stopped",         "0000011"},
        {UNREACHABLE,                 false, S::unknown,      "tarvex: Status unknown",  "0001001"},
        {FAILED_RUN,                  false, S::unknown,      "tarvex: Status unknown",  "0001001"},
        {UNREACHABLE,                 true,  S::unknown,      "tarvex: Status unknown",  "0000001"},
        {notInstalled(STOPPED),       false, S::notInstalled, "tarvex: Not installed",   "0001000"},
        {notInstalled(UNREACHABLE),   false, S::notInstalled, "tarvex: Not installed",   "0001000"},
    };
    // clang-format on
    for (const Case& c : cases) {
        StatusModel model;
        if (c.answer) {
            model.applyStatus(*c.answer);
        }
        model.setOperationInProgress(c.locked);
        const std::string what = std::string(c.line) + (c.locked ? ", locked" : "");
        EXPECT_EQ(model.state(), c.state) << what;
        EXPECT_EQ(model.iconState(), c.state) << what;
        EXPECT_EQ(model.statusLine(), QString::fromUtf8(c.line)) << what;
        EXPECT_EQ(enabledIn(model), c.enabled) << what;
        const bool known = isServiceState(c.state);
        EXPECT_EQ(model.portLine(), known && c.answer ? "Port: 3311" : "Port: --") << what;
        EXPECT_EQ(model.reason().isEmpty(), known || !c.answer) << what;
    }
}

TEST(StatusModelTest, AnUnknownStateSaysWhyAndWhatWasLastSeen) {
    testing::ensureTestApplication();
    StatusModel model;
    model.applyStatus(ACTIVE);
    EXPECT_EQ(model.lastSeenLine(), QString());
    model.applyStatus(FAILED_RUN);
    EXPECT_TRUE(model.lastSeenLine().startsWith("Last seen Active (PID 42) at "));
    EXPECT_EQ(model.explanation(),
              "The status of the service could not be read: tarvexctl: no "
              "pid file");
    model.applyStatus(UNREACHABLE);
    EXPECT_TRUE(model.explanation().contains("sudo systemctl enable --now tarvex-helper.socket"));
    model.applyStatus(notInstalled(UNREACHABLE));
    EXPECT_EQ(model.lastSeenLine(), QString());
    EXPECT_TRUE(model.explanation().startsWith("No tarvex installation was found in "));
}

}  // namespace
}  // namespace tarvex
