#include <gtest/gtest.h>

#include "shared/base/FixedPaths.h"

namespace tarvex {
namespace {

class FixedPathsTest : public testing::Test {
protected:
    void TearDown() override { relocateFixedPaths(""); }
};

TEST_F(FixedPathsTest, StandardValues) {
    relocateFixedPaths("");
    EXPECT_EQ(TARVEXCTL, "/opt/tarvex/bin/tarvexctl");
    EXPECT_EQ(TARVEX_CONFIG, "/opt/tarvex/etc/tarvex/tarvex.cnf");
    EXPECT_EQ(MONITOR_APP_PATH, "/Applications/tarvex Monitor.app");
    EXPECT_EQ(TARVEXCTL_LOCK_PID, "/tmp/tarvexctl.lock.d/pid");
    EXPECT_EQ(ACTIVE_PATHS_FILE, "/opt/tarvex/var/tarvex/run/active_paths");
    EXPECT_EQ(TARVEX_ROOT, "/opt/tarvex");
    EXPECT_EQ(DEFAULT_BASE_DIR, "/opt/tarvex/var/tarvex/data");
    EXPECT_EQ(HELPER_SOCKET_PATH, "/var/run/com.tarvex.helper.socket");
    EXPECT_EQ(SUBORDINATE_UIDS, "/etc/subuid");
    EXPECT_EQ(fixedPathPrefix(), "");
}

TEST_F(FixedPathsTest, RelocationPrefixesEveryPathAndEmptyRestores) {
    relocateFixedPaths("/tmp/sandbox");
    EXPECT_EQ(fixedPathPrefix(), "/tmp/sandbox");
    EXPECT_EQ(TARVEXCTL, "/tmp/sandbox/opt/tarvex/bin/tarvexctl");
    EXPECT_EQ(TARVEX_CONFIG, "/tmp/sandbox/opt/tarvex/etc/tarvex/tarvex.cnf");
    EXPECT_EQ(MONITOR_APP_PATH, "/tmp/sandbox/Applications/tarvex Monitor.app");
    EXPECT_EQ(TARVEXCTL_LOCK_PID, "/tmp/sandbox/tmp/tarvexctl.lock.d/pid");
    EXPECT_EQ(ACTIVE_PATHS_FILE, "/tmp/sandbox/opt/tarvex/var/tarvex/run/active_paths");
    EXPECT_EQ(TARVEX_ROOT, "/tmp/sandbox/opt/tarvex");
    EXPECT_EQ(DEFAULT_BASE_DIR, "/tmp/sandbox/opt/tarvex/var/tarvex/data");
    EXPECT_EQ(HELPER_SOCKET_PATH, "/tmp/sandbox/var/run/com.tarvex.helper.socket");
    EXPECT_EQ(SUBORDINATE_UIDS, "/tmp/sandbox/etc/subuid");

    relocateFixedPaths("/elsewhere");
    EXPECT_EQ(TARVEXCTL, "/elsewhere/opt/tarvex/bin/tarvexctl");

    relocateFixedPaths("");
    EXPECT_EQ(TARVEXCTL, "/opt/tarvex/bin/tarvexctl");
    EXPECT_EQ(HELPER_SOCKET_PATH, "/var/run/com.tarvex.helper.socket");
}

TEST_F(FixedPathsTest, SocketOverrideAloneAndResetByRelocation) {
    relocateFixedPaths("/p");
    overrideHelperSocketPath("/run/user/1000/h.sock");
    EXPECT_EQ(HELPER_SOCKET_PATH, "/run/user/1000/h.sock");
    EXPECT_EQ(TARVEXCTL, "/p/opt/tarvex/bin/tarvexctl");
    relocateFixedPaths("/p");
    EXPECT_EQ(HELPER_SOCKET_PATH, "/p/var/run/com.tarvex.helper.socket");
}

}  // namespace
}  // namespace tarvex
