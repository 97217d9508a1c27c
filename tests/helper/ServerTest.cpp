#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <future>
#include <memory>
#include <thread>

#include "helper/HelperServer.h"
#include "helper/StatusMerger.h"
#include "helper/SubordinateUids.h"
#include "shared/WireFormat.h"
#include "shared/base/FixedPaths.h"
#include "tests/helper/FakeAuthority.h"
#include "tests/helper/FakeTool.h"
#include "tests/helper/RawClient.h"
#include "tests/support/HelperSocket.h"

namespace tarvex {
namespace {

using namespace std::chrono_literals;
using testing::eventually;
using testing::FakeTool;
using testing::readUntilClosed;

// A tool that waits until the test creates "go.<run number>" and then answers with the number.
constexpr const char* GATED_TOOL =
    "echo \"$1\" >> \"$TEST_DIR/runs\"; n=$(wc -l < \"$TEST_DIR/runs\"); n=$((n))\n"
    "i=0; while [ ! -e \"$TEST_DIR/go.$n\" ] && [ $i -lt 2000 ]; do sleep 0.01; i=$((i+1)); "
    "done\nprintf 'run %s' $n; [ ! -e \"$TEST_DIR/fail.$n\" ]";

// A server on a socket in the fake prefix, run by the test. `exempt` makes the test's own
// account the helper's, which no per-account limit applies to.
class ServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        relocateFixedPaths(tool.prefix());
        authority.answer = AuthorityAnswer::yes;
        socketPath = tool.path("helper.socket");
        listening = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strcpy(address.sun_path, socketPath.c_str());
        ASSERT_EQ(bind(listening, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        ASSERT_EQ(listen(listening, 64), 0);
    }
    void TearDown() override {
        if (server) {
            server->requestStop();
            loop.join();
            EXPECT_TRUE(server->waitForIdle(20s));
        }
        close(listening);
        relocateFixedPaths("");
    }

    void start(ServerLimits limits = {}, bool exempt = true) {
        helper = std::make_unique<Helper>(authority, exempt ? geteuid() : geteuid() + 1,
                                          [](const std::string&) {});
        server = std::make_unique<HelperServer>(*helper, listening, limits);
        ASSERT_TRUE(server->ready()) << server->error();
        loop = std::thread([this] { server->run(); });
    }
    // A connection that has sent `bytes` (and read nothing yet).
    int sendOnly(const std::string& bytes) const {
        std::string error;
        const int fd = connectToHelper(socketPath, error);
        EXPECT_GE(fd, 0) << error;
        EXPECT_TRUE(writeAll(fd, bytes.data(), bytes.size()));
        return fd;
    }
    static HelperReply replyOn(int fd) {
        const HelperReply reply = testing::decodeWholeReply(readUntilClosed(fd));
        close(fd);
        return reply;
    }
    void go(int run) const { std::ofstream(tool.path("go." + std::to_string(run))).put('\n'); }

    FakeTool tool;
    testing::FakeAuthority authority;
    std::unique_ptr<Helper> helper;
    std::unique_ptr<HelperServer> server;
    std::thread loop;
    std::string socketPath;
    int listening = -1;
};

TEST_F(ServerTest, ARequestSentOneByteAtATimeIsServedOnce) {
    tool.writeRecording("printf 'ran %s' \"$1\"");
    start();
    const int fd = sendOnly("");
    for (const char byte : encodeRequest({"restart", {}})) {
        ASSERT_TRUE(writeAll(fd, &byte, 1));
    }
    EXPECT_EQ(replyOn(fd), (HelperReply{true, "ran restart"}));
    EXPECT_EQ(tool.read("runs"), "restart\n");
}

TEST_F(ServerTest, AFrameCutShortByThePeerIsMalformedAndRunsNothing) {
    tool.writeRecording();
    start();
    const std::string frame = encodeRequest({"status", {}});
    const int fd = sendOnly(frame.substr(0, frame.size() - 1));
    shutdown(fd, SHUT_WR);
    EXPECT_EQ(replyOn(fd), (HelperReply{false, "Malformed request"}));
    EXPECT_EQ(tool.read("runs"), "");
}

TEST_F(ServerTest, ClientsThatStallOrDoNotReadAreDroppedInTime) {
    tool.write("head -c 4000000 /dev/zero | tr '\\000' a");
    ServerLimits limits;
    limits.requestTimeout = 200ms;
    limits.replyTimeout = 200ms;
    start(limits);
    const int stalled = sendOnly(encodeRequest({"status", {}}).substr(0, 9));
    const int notReading = sendOnly(encodeRequest({"stop", {}}));
    bool closed = false;
    EXPECT_EQ(readUntilClosed(stalled, 20000, &closed), "");
    EXPECT_TRUE(closed);
    ASSERT_TRUE(
        eventually([&] { return server->awaitingReply() == 0 && server->activeRuns() == 0; }));
    // Unread, the connection is closed once the reply deadline passes.
    pollfd hangUp{notReading, POLLRDHUP, 0};
    ASSERT_EQ(poll(&hangUp, 1, 20000), 1);
    closed = false;
    const std::string partial = readUntilClosed(notReading, 20000, &closed);
    EXPECT_TRUE(closed);
    EXPECT_LT(partial.size(), 4000000u);
    close(stalled);
    close(notReading);
}

TEST_F(ServerTest, NoMoreThanTheLimitRunAtOnceAndTheRestWaitTheirTurn) {
    tool.write(GATED_TOOL);
    ServerLimits limits;
    limits.maxRuns = 2;
    start(limits);
    std::vector<int> clients;
    for (const char* command : {"start", "stop", "restart"}) {
        clients.push_back(sendOnly(encodeRequest({command, {}})));
    }
    const auto runs = [&] {
        const std::string text = tool.read("runs");
        return std::count(text.begin(), text.end(), '\n');
    };
    ASSERT_TRUE(eventually([&] { return server->runsStarted() == 3 && runs() == 2; }));
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(runs(), 2);  // the third waits for a worker
    for (int run : {1, 2, 3}) {
        go(run);
    }
    for (int fd : clients) {
        EXPECT_TRUE(replyOn(fd).success);
    }
    EXPECT_EQ(runs(), 3);
}

TEST_F(ServerTest, StatusRequestsArrivingDuringARunShareTheNextOne) {
    tool.write(GATED_TOOL);
    start();
    const int first = sendOnly(encodeRequest({"status", {}}));
    ASSERT_TRUE(eventually([&] { return tool.read("runs") == "status\n"; }));
    std::vector<int> later;
    for (int i = 0; i < 20; ++i) {
        later.push_back(sendOnly(encodeRequest({"status", {}})));
    }
    ASSERT_TRUE(eventually([&] { return server->awaitingReply() == 21; }));
    std::ofstream(tool.path("fail.2")).put('\n');  // the shared run fails
    go(1);
    go(2);
    // The first caller gets the run in flight; the later ones a run that started after them,
    // and its failure, all of them alike.
    EXPECT_EQ(replyOn(first), (HelperReply{true, "run 1"}));
    for (int fd : later) {
        EXPECT_EQ(replyOn(fd), (HelperReply{false, "run 2"}));
    }
    EXPECT_EQ(tool.read("runs"), "status\nstatus\n");
    EXPECT_EQ(server->runsStarted(), 2u);
}

TEST_F(ServerTest, OtherAccountsAreHeldToTheirShareAndTheHelpersOwnIsNot) {
    tool.write(GATED_TOOL);
    ServerLimits limits;
    limits.maxReceivingPerUid = 2;
    limits.maxRunsPerUid = 1;
    for (const bool exempt : {false, true}) {
        SCOPED_TRACE(exempt ? "the helper's own account" : "another account");
        start(limits, exempt);
        // Runs: a second run asked for while the first is going is closed at once, unanswered.
        const int running = sendOnly(encodeRequest({"start", {}}));
        ASSERT_TRUE(eventually([&] { return server->activeRuns() == 1; }));
        const int second = sendOnly(encodeRequest({"stop", {}}));
        bool closed = false;
        EXPECT_EQ(readUntilClosed(second, 300, &closed), "");
        EXPECT_EQ(closed, !exempt);
        go(1);
        go(2);
        EXPECT_TRUE(replyOn(running).success);
        close(second);
        // Receiving: a third silent connection is closed at once.
        std::vector<int> silent = {sendOnly(""), sendOnly(""), sendOnly("")};
        closed = false;
        readUntilClosed(silent[2], 300, &closed);
        EXPECT_EQ(closed, !exempt);
        for (int fd : silent) {
            close(fd);
        }
        server->requestStop();
        loop.join();
        ASSERT_TRUE(server->waitForIdle(20s));
        server.reset();
        std::filesystem::remove(tool.path("runs"));
        std::filesystem::remove(tool.path("go.1"));
        std::filesystem::remove(tool.path("go.2"));
    }
}

TEST_F(ServerTest, RepliesHeldForClientsThatDoNotReadAreBoundedInTotal) {
    tool.write("head -c 600000 /dev/zero | tr '\\000' a");
    ServerLimits limits;
    limits.maxHeldReplyBytes = 1000000;
    start(limits);
    const auto answered = [&](std::size_t runs) {
        return eventually([&] {
            return server->runsStarted() == runs && server->activeRuns() == 0 &&
                   server->awaitingReply() == 0;
        });
    };
    const int first = sendOnly(encodeRequest({"start", {}}));
    ASSERT_TRUE(answered(1));
    const int second = sendOnly(encodeRequest({"stop", {}}));
    ASSERT_TRUE(answered(2));
    // The second reply would take the held bytes past the bound: that client is dropped.
    EXPECT_LT(readUntilClosed(second).size(), 600000u);
    EXPECT_EQ(replyOn(first), (HelperReply{true, std::string(600000, 'a')}));
    close(second);
}

TEST_F(ServerTest, StatusIsAnsweredWhileEveryCheckWaitsForAPassword) {
    tool.write("printf 'ran %s' \"$1\"");
    ServerLimits limits;
    limits.maxChecks = 3;
    limits.maxRuns = 3;  // checks hold no worker that a run could need
    std::promise<void> password;
    authority.hold = password.get_future().share();
    start(limits, false);
    std::vector<int> waiting;
    for (int i = 0; i < 3; ++i) {
        waiting.push_back(sendOnly(encodeRequest({"start", {}})));
    }
    ASSERT_TRUE(eventually([&] { return server->activeRuns() == 3; }));
    EXPECT_EQ(
        replyOn(sendOnly(encodeRequest({"stop", {}}))),
        (HelperReply{false, "Not authorized: stop" + std::string(AUTHORIZATION_UNAVAILABLE)}));
    EXPECT_EQ(replyOn(sendOnly(encodeRequest({"status", {}}))), (HelperReply{true, "ran status"}));
    password.set_value();
    for (int fd : waiting) {
        EXPECT_EQ(replyOn(fd), (HelperReply{true, "ran start"}));
    }
}

TEST_F(ServerTest, StopMakesRunReturnWhileARunIsBusy) {
    tool.write(GATED_TOOL);
    start();
    const int client = sendOnly(encodeRequest({"start", {}}));
    ASSERT_TRUE(eventually([&] { return server->activeRuns() == 1; }));
    server->requestStop();
    loop.join();
    EXPECT_FALSE(server->waitForIdle(0ms));
    go(1);
    EXPECT_EQ(replyOn(client), (HelperReply{true, "run 1"}));  // still answered
    EXPECT_TRUE(server->waitForIdle(10s));
    server.reset();
}

TEST(CallerTest, TheCallerIsWhomTheKernelNames) {
    int fds[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds), 0);
    const Caller caller = identifyCaller(fds[1]);
    close(fds[0]);
    close(fds[1]);
    ASSERT_TRUE(caller.known);
    EXPECT_EQ(caller.uid, geteuid());
    EXPECT_EQ(caller.gid, getegid());
    EXPECT_EQ(caller.pid, getpid());
    EXPECT_EQ(caller.startTime,
              parseProcessStartTime(testing::readFile("/proc/self/stat")).value_or(0));
    EXPECT_NE(caller.startTime, 0u);
}

TEST(CallerTest, StartTimeIsFieldTwentyTwoCountedFromTheEndOfTheName) {
    const std::string tail = " S 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 777 19 20\n";
    EXPECT_EQ(parseProcessStartTime("42 (sh)" + tail), 777u);
    EXPECT_EQ(parseProcessStartTime("42 (a) (b) 9 9 9)" + tail), 777u);  // a name made to mislead
    EXPECT_EQ(parseProcessStartTime("42 (sh) S 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 777"),
              777u);
    EXPECT_EQ(parseProcessStartTime("42 (sh) S 1 2 3"), std::nullopt);
    EXPECT_EQ(parseProcessStartTime("42 (sh) S 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 x7 1"),
              std::nullopt);
    EXPECT_EQ(parseProcessStartTime("42 sh S"), std::nullopt);
}

TEST(SubordinateUidsTest, ARangeCountsAsItsOwnersAccount) {
    const auto uidOf = [](const std::string& name) -> std::optional<uid_t> {
        return name == "alice" ? std::optional<uid_t>(1000) : std::nullopt;
    };
    EXPECT_EQ(parseSubordinateUids("alice:100000:65536\n1001:165536:65536\n\n# note\nbob:x:1\n"
                                   "carol:1:0\nghost:300000:10\nwhole:4294967200:97",
                                   uidOf),
              (std::vector<SubordinateRange>{
                  {100000, 65536, 1000}, {165536, 65536, 1001}, {300000, 10, 300000}}));
}

TEST(StatusMergerTest, OneRunInFlightAndOneQueuedWhateverTheCallers) {
    StatusMerger merger;
    EXPECT_TRUE(merger.request(1));   // starts run A
    EXPECT_FALSE(merger.request(2));  // queued for run B
    EXPECT_FALSE(merger.request(3));
    std::vector<StatusMerger::Id> answered;
    EXPECT_TRUE(merger.finish(answered));  // A ends: B starts for 2 and 3
    EXPECT_EQ(answered, (std::vector<StatusMerger::Id>{1}));
    EXPECT_FALSE(merger.request(4));  // arrived during B: waits for C
    EXPECT_TRUE(merger.finish(answered));
    EXPECT_EQ(answered, (std::vector<StatusMerger::Id>{2, 3}));
    EXPECT_FALSE(merger.finish(answered));  // C ends, nothing queued: idle
    EXPECT_EQ(answered, (std::vector<StatusMerger::Id>{4}));
    EXPECT_FALSE(merger.running());
    EXPECT_TRUE(merger.request(5));  // idle again: a new run at once
}

}  // namespace
}  // namespace tarvex
