#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "shared/base/ProcessRunner.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempFolder.h"

namespace tarvex {
namespace {

ProcessOutcome shell(const std::string& script, std::size_t cap = static_cast<std::size_t>(-1)) {
    return runProcess({"/bin/sh", "-c", script}, cap);
}

// True once `pid` is gone or a zombie left to whoever inherited it (bounded wait).
bool eventuallyGone(pid_t pid) {
    std::string state = "R";
    for (int i = 0; i < 500 && state != "Z" && state != "gone"; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
        state = stat >> state >> state >> state ? state : "gone";
    }
    return state == "Z" || state == "gone";
}

TEST(ProcessRunnerTest, BothStreamsArriveInOnePipeInWrittenOrder) {
    const ProcessOutcome outcome = shell("echo one; echo two >&2; echo three; echo four >&2");
    ASSERT_TRUE(outcome.launched);
    EXPECT_EQ(outcome.output, "one\ntwo\nthree\nfour\n");
    EXPECT_FALSE(outcome.signalled);
    EXPECT_EQ(outcome.status, 0);
    EXPECT_FALSE(outcome.truncated);
}

TEST(ProcessRunnerTest, ArgumentsPassUnchangedWithoutAShell) {
    const ProcessOutcome outcome =
        runProcess({"/bin/sh", "-c", "printf '%s|' \"$@\"", "zero", "a b", "$HOME", "*", ""});
    EXPECT_EQ(outcome.output, "a b|$HOME|*||");
}

TEST(ProcessRunnerTest, ReportsExitStatus) {
    const ProcessOutcome outcome = shell("echo partial; exit 3");
    EXPECT_TRUE(outcome.launched);
    EXPECT_EQ(outcome.output, "partial\n");
    EXPECT_EQ(outcome.status, 3);
    EXPECT_FALSE(outcome.signalled);
    EXPECT_EQ(shell("exit 255").status, 255);
}

TEST(ProcessRunnerTest, ReportsTheSignalThatEndedTheChild) {
    const ProcessOutcome outcome = shell("echo before; kill -TERM $$; echo after");
    EXPECT_TRUE(outcome.launched);
    EXPECT_TRUE(outcome.signalled);
    EXPECT_EQ(outcome.status, SIGTERM);
    EXPECT_EQ(outcome.output, "before\n");
}

TEST(ProcessRunnerTest, LaunchFailuresAreDescribed) {
    const ProcessOutcome missing = runProcess({"/nonexistent/tool", "status"});
    EXPECT_FALSE(missing.launched);
    EXPECT_NE(missing.launchError.find("/nonexistent/tool"), std::string::npos);
    EXPECT_TRUE(missing.output.empty());

    EXPECT_FALSE(runProcess({}).launched);
    EXPECT_FALSE(runProcess({}).launchError.empty());

    // A bare name is a path relative to the current directory, never searched for.
    EXPECT_FALSE(runProcess({"sh", "-c", "true"}).launched);

    const testing::TempFolder dir;
    const std::string script = dir / "not-executable";
    ASSERT_TRUE(testing::writeFile(script, "#!/bin/sh\necho hi\n"));
    const ProcessOutcome denied = runProcess({script});
    EXPECT_FALSE(denied.launched);
    EXPECT_FALSE(denied.launchError.empty());
}

TEST(ProcessRunnerTest, CollectsOutputFarLargerThanThePipeBuffer) {
    // Written to both streams so that a runner draining only at exit would deadlock.
    const ProcessOutcome outcome =
        shell("head -c 1500000 /dev/zero | tr '\\0' a; head -c 700000 /dev/zero | tr '\\0' b >&2");
    ASSERT_TRUE(outcome.launched);
    EXPECT_EQ(outcome.status, 0);
    ASSERT_EQ(outcome.output.size(), 2200000u);
    EXPECT_EQ(outcome.output.find_first_not_of('a'), 1500000u);
    EXPECT_EQ(outcome.output.find_first_not_of('b', 1500000), std::string::npos);
    EXPECT_FALSE(outcome.truncated);
}

TEST(ProcessRunnerTest, OutputCapKeepsTheStartAndDrainsTheRest) {
    const ProcessOutcome capped = shell("head -c 300000 /dev/zero | tr '\\0' x; exit 4", 1000);
    EXPECT_TRUE(capped.truncated);
    EXPECT_EQ(capped.output, std::string(1000, 'x'));
    EXPECT_EQ(capped.status, 4);  // the child finished: it was never left blocked on the pipe

    const ProcessOutcome exact = shell("printf 12345", 5);
    EXPECT_FALSE(exact.truncated);
    EXPECT_EQ(exact.output, "12345");

    const ProcessOutcome oneOver = shell("printf 123456", 5);
    EXPECT_TRUE(oneOver.truncated);
    EXPECT_EQ(oneOver.output, "12345");
}

TEST(ProcessRunnerTest, ChildSeesOnlyStandardDescriptors) {
    // A descriptor the parent opened without close-on-exec, at a number well above 2.
    const int plain = open("/dev/null", O_RDONLY);
    ASSERT_GE(plain, 0);
    const int high = dup2(plain, 57);
    ASSERT_EQ(high, 57);
    // "; true" keeps the shell alive, so the listing is the shell's own descriptor table.
    const ProcessOutcome outcome = shell("ls /proc/$$/fd; true");
    close(high);
    close(plain);
    EXPECT_EQ(outcome.output, "0\n1\n2\n");
}

TEST(ProcessRunnerTest, ChildStartsWithDefaultSignalHandling) {
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    struct sigaction previous {};
    ASSERT_EQ(sigaction(SIGPIPE, &ignore, &previous), 0);
    sigset_t block;
    sigemptyset(&block);
    sigaddset(&block, SIGUSR1);
    sigset_t previousMask;
    ASSERT_EQ(pthread_sigmask(SIG_BLOCK, &block, &previousMask), 0);

    const ProcessOutcome outcome = shell("exec grep -E '^Sig(Ign|Blk)' /proc/self/status");

    pthread_sigmask(SIG_SETMASK, &previousMask, nullptr);
    sigaction(SIGPIPE, &previous, nullptr);
    // SIGPIPE is signal 13 (bit 0x1000), SIGUSR1 is 10 (bit 0x200); neither may be inherited.
    ASSERT_NE(outcome.output.find("SigBlk:"), std::string::npos) << outcome.output;
    const auto maskOf = [&](const std::string& name) {
        const std::size_t at = outcome.output.find(name);
        return std::strtoull(outcome.output.c_str() + at + name.size(), nullptr, 16);
    };
    EXPECT_EQ(maskOf("SigIgn:") & 0x1000u, 0u) << outcome.output;
    EXPECT_EQ(maskOf("SigBlk:") & 0x200u, 0u) << outcome.output;
}

TEST(ProcessRunnerTest, DoesNotWaitForAGrandchildHoldingThePipe) {
    // If the runner waited for end-of-file, this would last as long as the sleep and run into
    // the test's timeout.
    const ProcessOutcome outcome = shell("sleep 300 & echo $!");
    ASSERT_TRUE(outcome.launched);
    EXPECT_EQ(outcome.status, 0);
    const pid_t grandchild = static_cast<pid_t>(std::atoi(outcome.output.c_str()));
    ASSERT_GT(grandchild, 0);
    kill(grandchild, SIGKILL);
}

TEST(ProcessRunnerTest, DoesNotWaitForAGrandchildThatKeepsWriting) {
    // The grandchild never stops writing into the inherited pipe; the runner must still come
    // back once the child has exited (a hang runs into the test's timeout). Closing our end
    // then ends the grandchild with SIGPIPE.
    const ProcessOutcome outcome = shell("yes spam & echo started");
    ASSERT_TRUE(outcome.launched);
    EXPECT_FALSE(outcome.signalled);
    EXPECT_EQ(outcome.status, 0);
    EXPECT_NE(outcome.output.find("started\n"), std::string::npos);
}

TEST(ProcessRunnerTest, AGivenEnvironmentIsTheChildsWholeEnvironment) {
    const testing::ScopedEnv probe("TARVEX_RUNNER_PROBE", "leaked");
    ProcessSettings settings;
    settings.environment = std::vector<std::string>{"A=1", "B=x y"};
    const ProcessOutcome outcome = runProcess({"/usr/bin/env"}, settings);
    EXPECT_EQ(outcome.output, "A=1\nB=x y\n");
}

TEST(ProcessRunnerTest, AChildPastItsTimeLimitIsKilled) {
    // Silent, and with its output closed early: both must still be cut off at the limit.
    ProcessSettings settings;
    settings.timeLimit = std::chrono::milliseconds(200);
    for (const char* script : {"exec sleep 30", "exec >&- 2>&-; exec sleep 30"}) {
        const auto started = std::chrono::steady_clock::now();
        const ProcessOutcome outcome = runProcess({"/bin/sh", "-c", script}, settings);
        EXPECT_TRUE(outcome.timedOut) << script;
        EXPECT_TRUE(outcome.signalled) << script;
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(20)) << script;
    }
    // In a group of its own, what it started goes too: at once with it, and one that ignores
    // SIGTERM once the child has gone.
    settings.ownProcessGroup = true;
    settings.killGrace = std::chrono::milliseconds(200);
    const ProcessOutcome group = runProcess(
        {"/bin/sh", "-c", "sleep 30 & echo $!; (trap '' TERM; exec sleep 30) & echo $!; sleep 30"},
        settings);
    EXPECT_TRUE(group.timedOut);
    std::istringstream started(group.output);
    for (pid_t left = 0; started >> left;) {
        EXPECT_TRUE(eventuallyGone(left)) << left;
    }
    settings.timeLimit = std::chrono::milliseconds(5000);
    const ProcessOutcome quick = runProcess({"/bin/sh", "-c", "exit 2"}, settings);
    EXPECT_FALSE(quick.timedOut);
    EXPECT_EQ(quick.status, 2);
}

}  // namespace
}  // namespace tarvex
