#include <gtest/gtest.h>

#include "monitor/status/TarvexStatus.h"

namespace tarvex {
namespace {

struct StateRow {
    bool launchdLoaded;
    bool processRunning;
    bool portOpen;
    ServiceState state;
    const char* summary;  // with pid "42"
};

TEST(ServiceStateTest, EveryFlagCombinationFollowsTheTable) {
    const StateRow rows[] = {
        {true, true, true, ServiceState::active, "Active (PID 42)"},
        {true, true, false, ServiceState::starting, "Starting\u2026"},
        {true, false, true, ServiceState::starting, "Starting\u2026"},
        {true, false, false, ServiceState::starting, "Starting\u2026"},
        {false, true, true, ServiceState::stopping, "Stopping\u2026"},
        {false, true, false, ServiceState::stopping, "Stopping\u2026"},
        {false, false, true, ServiceState::stopping, "Stopping\u2026"},
        {false, false, false, ServiceState::stopped, "Stopped"},
    };
    for (const StateRow& row : rows) {
        TarvexStatus status{"5000", row.processRunning, "42", row.portOpen, row.launchdLoaded};
        SCOPED_TRACE(testing::Message() << "loaded=" << row.launchdLoaded << " running="
                                        << row.processRunning << " open=" << row.portOpen);
        EXPECT_EQ(status.state(), row.state);
        EXPECT_EQ(status.summary(), row.summary);
    }
}

TEST(ServiceStateTest, TransientSummariesEndInOneEllipsisCharacter) {
    TarvexStatus starting;
    starting.launchdLoaded = true;
    TarvexStatus stopping;
    stopping.portOpen = true;
    // "Starting" or "Stopping" (8 bytes) and U+2026 (3 bytes in UTF-8).
    EXPECT_EQ(starting.summary().size(), 11u);
    EXPECT_EQ(stopping.summary().size(), 11u);
    EXPECT_EQ(starting.summary().substr(8), "\xE2\x80\xA6");
}

TEST(ServiceStateTest, ActiveWithoutPidSaysJustActive) {
    TarvexStatus status{"", true, "", true, true};
    EXPECT_EQ(status.summary(), "Active");
}

TEST(ServiceStateTest, DefaultRecordIsStoppedWithEmptyTexts) {
    const TarvexStatus status;
    EXPECT_EQ(status.state(), ServiceState::stopped);
    EXPECT_EQ(status.summary(), "Stopped");
    EXPECT_TRUE(status.port.empty());
    EXPECT_TRUE(status.pid.empty());
}

TEST(ServiceStateTest, StateIndexFollowsCaseOrder) {
    EXPECT_EQ(stateIndex(ServiceState::active), 0);
    EXPECT_EQ(stateIndex(ServiceState::starting), 1);
    EXPECT_EQ(stateIndex(ServiceState::stopping), 2);
    EXPECT_EQ(stateIndex(ServiceState::stopped), 3);
}

}  // namespace
}  // namespace tarvex
