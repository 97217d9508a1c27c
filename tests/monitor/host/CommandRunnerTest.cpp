#include <signal.h>

#include <gtest/gtest.h>

#include <string>

#include "monitor/host/CommandRunner.h"

namespace tarvex {
namespace {

CommandResult shell(const std::string& script) {
    return runCommand({"/bin/sh", "-c", script});
}

TEST(CommandRunnerTest, StandardOutputAndErrorInWrittenOrder) {
    const CommandResult result = shell("echo to-out; echo to-err >&2; echo out-again");
    EXPECT_EQ(result.output, "to-out\nto-err\nout-again\n");
    EXPECT_EQ(result.exitCode, 0);
}

TEST(CommandRunnerTest, ExitCodeAndUntrimmedOutput) {
    const CommandResult result = shell("echo enabled; exit 3");
    EXPECT_EQ(result.output, "enabled\n");
    EXPECT_EQ(result.exitCode, 3);
    EXPECT_EQ(shell("printf '  x  \\n\\n'").output, "  x  \n\n");
}

TEST(CommandRunnerTest, SignalledChildReportsTheSignalNumber) {
    EXPECT_EQ(shell("kill -KILL $$").exitCode, SIGKILL);
}

TEST(CommandRunnerTest, LaunchFailureGivesDescriptionAndMinusOne) {
    const CommandResult missing = runCommand({"/nonexistent/tarvexctl", "boot-status"});
    EXPECT_EQ(missing.exitCode, -1);
    EXPECT_FALSE(missing.output.empty());
    const CommandResult empty = runCommand({});
    EXPECT_EQ(empty.exitCode, -1);
    EXPECT_FALSE(empty.output.empty());
}

TEST(CommandRunnerTest, LargeOutputArrivesWhole) {
    const CommandResult result = shell("head -c 400000 /dev/zero | tr '\\0' z");
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.output, std::string(400000, 'z'));
}

TEST(CommandRunnerTest, NonUtf8OutputBecomesEmptyButKeepsTheStatus) {
    const CommandResult result = shell("printf 'enabled\\n\\377'; exit 2");
    EXPECT_EQ(result.output, "");
    EXPECT_EQ(result.exitCode, 2);
    // Valid multi-byte text passes through unchanged.
    EXPECT_EQ(shell("printf 'caf\\303\\251 \\342\\200\\246'").output, "caf\xC3\xA9 \xE2\x80\xA6");
}

}  // namespace
}  // namespace tarvex
