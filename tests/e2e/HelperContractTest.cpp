// What the monitor sends, the real helper accepts and the tool answers in a form the monitor
// reads; what it must not run, it refuses.

#include <filesystem>

#include "monitor/status/TarvexStatus.h"
#include "tests/e2e/EndToEndHarness.h"

namespace tarvex::testing {
namespace {

class HelperContractTest : public EndToEndTest {
protected:
    // Sends one command through the monitor's runner and waits for the answer.
    HelperReply send(const std::string& command) {
        HelperReply reply{false, "<no answer>"};
        runner.runPrivileged(QString::fromStdString(command), [&reply](const HelperAnswer& answer) {
            reply = HelperReply{answer.success, answer.output.toStdString()};
        });
        EXPECT_TRUE(waitUntilIdle()) << command;
        return reply;
    }

    TarvexStatus status() {
        const HelperReply reply = send("status");
        EXPECT_TRUE(reply.success) << reply.output;
        return TarvexStatus::parse(reply.output);
    }

    static bool allDigits(const std::string& text) {
        return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
    }
};

TEST_F(HelperContractTest, StatusAnswersParseIntoASaneStatusInEveryState) {
    TarvexStatus stopped = status();
    EXPECT_EQ(stopped.state(), ServiceState::stopped);
    EXPECT_EQ(stopped.port, "7420");
    EXPECT_TRUE(stopped.pid.empty());
    EXPECT_FALSE(stopped.launchdLoaded);

    ASSERT_TRUE(send("start").success);
    TarvexStatus starting = status();
    EXPECT_EQ(starting.state(), ServiceState::starting);
    EXPECT_TRUE(starting.launchdLoaded);
    EXPECT_FALSE(starting.portOpen);

    advanceToolClock(3000);
    TarvexStatus active = status();
    EXPECT_EQ(active.state(), ServiceState::active);
    EXPECT_TRUE(allDigits(active.pid)) << active.pid;
    EXPECT_EQ(active.port, "7420");
    EXPECT_EQ(active.summary(), "Active (PID " + active.pid + ")");

    ASSERT_TRUE(send("stop").success);
    TarvexStatus stopping = status();
    EXPECT_EQ(stopping.state(), ServiceState::stopping);
    EXPECT_FALSE(stopping.launchdLoaded);
}

TEST_F(HelperContractTest, EveryCommandTheMonitorSendsIsAcceptedAndTakesEffect) {
    for (const char* command : {"status", "enable-boot"}) {
        const HelperReply reply = send(command);
        EXPECT_TRUE(reply.success) << command << ": " << reply.output;
    }
    EXPECT_NE(send("status").output.find("Start at boot: enabled"), std::string::npos);
    EXPECT_TRUE(send("disable-boot").success);
    EXPECT_NE(send("status").output.find("Start at boot: disabled"), std::string::npos);

    for (const char* command : {"start", "restart", "stop", "initialize"}) {
        const HelperReply reply = send(command);
        EXPECT_TRUE(reply.success) << command << ": " << reply.output;
        EXPECT_EQ(reply.output.rfind(COMMAND_NOT_ALLOWED, 0), std::string::npos) << command;
    }
    EXPECT_EQ(status().state(), ServiceState::stopped);

    const HelperReply uninstall = send("uninstall");
    EXPECT_TRUE(uninstall.success) << uninstall.output;
    EXPECT_FALSE(std::filesystem::exists(toolRoot()));
}

TEST_F(HelperContractTest, ToolCommandsOutsideTheAllowListAreRefused) {
    // The tool knows these, but they are the user's to run, never root's on request.
    for (const char* command : {"logs", "doctor", "boot-status"}) {
        const HelperReply reply = send(command);
        EXPECT_FALSE(reply.success) << command;
        EXPECT_EQ(reply.output, std::string(COMMAND_NOT_ALLOWED) + command);
    }
}

}  // namespace
}  // namespace tarvex::testing
