#include <gtest/gtest.h>

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "helper/Helper.h"
#include "shared/WireFormat.h"
#include "shared/base/FixedPaths.h"
#include "tests/helper/FakeAuthority.h"
#include "tests/helper/FakeTool.h"
#include "tests/support/ScopedEnv.h"

namespace tarvex {
namespace {

struct Recorded {
    int calls = 0;
    HelperReply reply;
};

class HelperExecuteTest : public ::testing::Test {
protected:
    void SetUp() override { relocateFixedPaths(tool.prefix()); }
    void TearDown() override { relocateFixedPaths(""); }

    Recorded run(const std::string& command, const std::vector<std::string>& args = {}) {
        Recorded recorded;
        helper.execute(command, args, [&recorded](bool success, std::string output) {
            ++recorded.calls;
            recorded.reply = {success, std::move(output)};
        });
        return recorded;
    }
    // The tool's exit status for the next runs, read by scripts that `exit "$(code)"`.
    void setExit(int status) const { std::ofstream(tool.path("exit")) << status; }

    testing::FakeTool tool;
    testing::FakeAuthority authority;
    std::vector<std::string> audited;
    Helper helper{authority, geteuid(),
                  [this](const std::string& line) { audited.push_back(line); }};
};

constexpr const char* EXIT_FROM_FILE = "exit \"$(cat \"$TEST_DIR/exit\" 2>/dev/null || echo 0)\"";

TEST_F(HelperExecuteTest, RefusedCommandsRunNothingAndReplyOnce) {
    tool.writeRecording();
    for (const std::string command :
         {"Status", "boot-status", "ENABLE-BOOT", " stop", "stop\n", "logs", "doctor", ""}) {
        const Recorded recorded = run(command, {"--force"});
        EXPECT_EQ(recorded.calls, 1) << command;
        EXPECT_EQ(recorded.reply, (HelperReply{false, "Command not allowed: " + command}));
    }
    EXPECT_EQ(run("").reply.output.size(), 21u);
    EXPECT_EQ(tool.read("runs"), "");
}

TEST_F(HelperExecuteTest, RunsTheToolAtItsFixedPathWithTheCommandAloneAndAFixedEnvironment) {
    tool.write(
        "printf '%s|' \"$0\" \"$@\" \"$PATH\" \"${LANG-}\" \"${BASH_ENV-unset}\" "
        "\"${PROBE-unset}\"");
    const testing::ScopedEnv bashEnv("BASH_ENV", "/nonexistent/profile");
    const testing::ScopedEnv probe("PROBE", "leaked");
    const HelperReply reply = run("initialize").reply;
    EXPECT_EQ(reply, (HelperReply{true, tool.toolPath() +
                                            "|initialize|/usr/sbin:/usr/bin:/sbin:/bin|C.UTF-8|"
                                            "unset|unset|"}));
}

TEST_F(HelperExecuteTest, ArgumentsAreRefusedAndRunNothing) {
    tool.writeRecording();
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--force"}, {""}, {"--base-dir=/", "x"}}) {
        const Recorded recorded = run("restart", args);
        EXPECT_EQ(recorded.calls, 1);
        EXPECT_EQ(recorded.reply, (HelperReply{false, "Arguments not allowed"}));
    }
    EXPECT_EQ(tool.read("runs"), "");
}

TEST_F(HelperExecuteTest, SuccessFollowsTheExitStatusAndOutputIsKeptAsWritten) {
    tool.write(std::string("printf '  ok\\n\\n'; ") + EXIT_FROM_FILE);
    EXPECT_EQ(run("status").reply, (HelperReply{true, "  ok\n\n"}));
    setExit(1);
    EXPECT_EQ(run("status").reply, (HelperReply{false, "  ok\n\n"}));
    setExit(255);
    EXPECT_EQ(run("status").reply, (HelperReply{false, "  ok\n\n"}));
}

TEST_F(HelperExecuteTest, AToolKilledBySignalFailsWithWhatItWrote) {
    for (const std::string signal : {"KILL", "TERM"}) {
        tool.write("printf partial; kill -" + signal + " $$");
        EXPECT_EQ(run("stop").reply, (HelperReply{false, "partial"})) << signal;
    }
}

TEST_F(HelperExecuteTest, StandardOutputAndErrorArriveInWriteOrder) {
    tool.write("printf 'one\\n'; printf 'two\\n' >&2; printf 'three\\n'");
    EXPECT_EQ(run("status").reply, (HelperReply{true, "one\ntwo\nthree\n"}));
}

TEST_F(HelperExecuteTest, OutputThatIsNotUtf8BecomesEmptyButKeepsTheStatus) {
    tool.write(std::string("printf 'abc\\377'; ") + EXIT_FROM_FILE);
    EXPECT_EQ(run("status").reply, (HelperReply{true, ""}));
    setExit(3);
    EXPECT_EQ(run("status").reply, (HelperReply{false, ""}));
    tool.write("printf 'ab\\303'");  // a character cut short by the tool itself
    EXPECT_EQ(run("status").reply, (HelperReply{true, ""}));
}

TEST_F(HelperExecuteTest, LaunchFailuresReplyWithTheLaunchError) {
    const Recorded missing = run("status");
    EXPECT_EQ(missing.calls, 1);
    EXPECT_FALSE(missing.reply.success);
    EXPECT_NE(missing.reply.output.find(tool.toolPath()), std::string::npos);
    EXPECT_NE(missing.reply.output.find(std::strerror(ENOENT)), std::string::npos);

    tool.write("echo never", 0644);
    const Recorded notExecutable = run("status");
    EXPECT_FALSE(notExecutable.reply.success);
    EXPECT_NE(notExecutable.reply.output.find(std::strerror(EACCES)), std::string::npos);
}

TEST_F(HelperExecuteTest, LongOutputIsCutAtAWholeCharacterAndTheRestDrained) {
    // 16 MiB - 1 ASCII bytes, then a two-byte character across the cap, then 1 MB more that
    // the tool must be able to write without stalling.
    tool.write(
        "head -c 16777215 /dev/zero | tr '\\000' a; printf '\\303\\251'; "
        "head -c 1000000 /dev/zero; exit 4");
    const HelperReply reply = run("status").reply;
    EXPECT_FALSE(reply.success);
    ASSERT_EQ(reply.output.size(), MAX_REPLY_OUTPUT - 1);
    EXPECT_EQ(reply.output.find_first_not_of('a'), std::string::npos);
}

TEST_F(HelperExecuteTest, AToolPastItsTimeLimitIsStoppedAndTheCallerToldSo) {
    Helper limited{authority, geteuid(), [](const std::string&) {},
                   ToolLimits{std::chrono::seconds(1), std::chrono::seconds(2),
                              std::chrono::milliseconds(100)}};
    tool.write("printf 'partial'; exec sleep 30");
    for (const auto& [command, seconds] : {std::pair{"status", "1"}, {"stop", "2"}}) {
        EXPECT_EQ(
            limited.run(Caller{}, command),
            (HelperReply{false, "partial\nThe program \"" + tool.toolPath() +
                                    "\" did not finish within " + seconds + " s and was stopped"}));
    }
}

TEST_F(HelperExecuteTest, OutputOfExactlyTheCapIsKeptWhole) {
    tool.write("head -c 16777214 /dev/zero | tr '\\000' a; printf '\\303\\251'");
    const HelperReply reply = run("status").reply;
    EXPECT_TRUE(reply.success);
    ASSERT_EQ(reply.output.size(), MAX_REPLY_OUTPUT);
    EXPECT_EQ(reply.output.substr(reply.output.size() - 3), "a\xC3\xA9");
}

// One account floods the audit trail no more than its share.
TEST(AuditTest, EachAccountHasItsShareOfLinesAndIsToldWhatWasLeftOut) {
    using namespace std::chrono_literals;
    std::vector<std::string> lines;
    AuditTrail trail([&](const std::string& line) { lines.push_back(line); }, 2, 10s);
    const auto start = AuditTrail::Clock::now();
    for (const char* line : {"a1", "a2", "a3", "a4", "a5"}) {
        trail.write(1000, line, start);
    }
    trail.write(1001, "b1", start);  // another account has a share of its own
    EXPECT_EQ(trail.flush(start + 1s), start + 10s);
    EXPECT_EQ(lines, (std::vector<std::string>{"a1", "a2", "b1"}));
    EXPECT_EQ(trail.flush(start + 10s), std::nullopt);
    EXPECT_EQ(lines.back(), R"(uid="1000" decision="suppressed" result="3 more lines of this )"
                            R"(account in 10 s were not logged")");
    trail.write(1000, "a6", start + 10s);
    EXPECT_EQ(lines.back(), "a6");
}

}  // namespace
}  // namespace tarvex
