#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "helper/Connection.h"
#include "helper/HelperServer.h"
#include "shared/HelperSocket.h"
#include "shared/WireFormat.h"
#include "shared/base/FixedPaths.h"
#include "tests/helper/FakeAuthority.h"
#include "tests/helper/FakeTool.h"
#include "tests/helper/RawClient.h"

namespace tarvex {
namespace {

using namespace std::chrono_literals;
using testing::FakeTool;
using testing::readUntilClosed;

class ConnectionTest : public ::testing::Test {
protected:
    void SetUp() override {
        relocateFixedPaths(tool.prefix());
        ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds), 0);
        fcntl(fds[1], F_SETFL, O_NONBLOCK);
    }
    void TearDown() override {
        close(fds[0]);
        relocateFixedPaths("");
    }

    // Serves the server end on a thread, as the listener would.
    std::thread serve(ConnectionLimits limits = {}) {
        return std::thread(
            [this, limits] { serveConnection(fds[1], identifyCaller(fds[1]), helper, limits); });
    }
    void send(const std::string& bytes) {
        ASSERT_TRUE(writeAll(fds[0], bytes.data(), bytes.size()));
    }

    FakeTool tool;
    testing::FakeAuthority authority;
    Helper helper{authority, geteuid()};
    int fds[2] = {-1, -1};
};

TEST_F(ConnectionTest, ARequestSentInSmallPiecesIsServedOnceAndTheConnectionClosed) {
    tool.writeRecording("printf 'ran %s' \"$1\"");
    std::thread server = serve();
    const std::string frame = encodeRequest({"status", {}});
    for (char byte : frame) {
        send(std::string(1, byte));
    }
    bool closed = false;
    const std::string answer = readUntilClosed(fds[0], 20000, &closed);
    server.join();
    EXPECT_TRUE(closed);
    EXPECT_EQ(testing::decodeWholeReply(answer), (HelperReply{true, "ran status"}));
    EXPECT_EQ(tool.read("runs"), "status\n");
}

TEST_F(ConnectionTest, AFrameCutShortByThePeerIsMalformedAndRunsNothing) {
    tool.writeRecording();
    std::thread server = serve();
    const std::string frame = encodeRequest({"status", {}});
    send(frame.substr(0, frame.size() - 1));
    shutdown(fds[0], SHUT_WR);
    const std::string answer = readUntilClosed(fds[0]);
    server.join();
    EXPECT_EQ(testing::decodeWholeReply(answer), (HelperReply{false, "Malformed request"}));
    EXPECT_EQ(tool.read("runs"), "");
}

TEST_F(ConnectionTest, AClientThatStallsIsDroppedWithoutAReply) {
    tool.writeRecording();
    ConnectionLimits limits;
    limits.requestTimeout = 200ms;
    std::thread server = serve(limits);
    send(encodeRequest({"status", {}}).substr(0, 9));
    bool closed = false;
    const std::string answer = readUntilClosed(fds[0], 20000, &closed);
    server.join();
    EXPECT_TRUE(closed);
    EXPECT_EQ(answer, "");
    EXPECT_EQ(tool.read("runs"), "");
}

TEST_F(ConnectionTest, AClientThatNeverReadsItsReplyDoesNotHoldTheConnectionForever) {
    tool.write("head -c 4000000 /dev/zero | tr '\\000' a");
    ConnectionLimits limits;
    limits.replyTimeout = 200ms;
    std::thread server = serve(limits);
    send(encodeRequest({"status", {}}));
    server.join();  // returns although nothing was read
    SUCCEED();
}

TEST_F(ConnectionTest, TheCallerIsWhomTheKernelNames) {
    const Caller caller = identifyCaller(fds[1]);
    ASSERT_TRUE(caller.known);
    EXPECT_EQ(caller.uid, geteuid());
    EXPECT_EQ(caller.gid, getegid());
    EXPECT_EQ(caller.pid, getpid());
    std::ifstream stat("/proc/self/stat");
    const std::string text((std::istreambuf_iterator<char>(stat)),
                           std::istreambuf_iterator<char>());
    EXPECT_EQ(caller.startTime, parseProcessStartTime(text).value_or(0));
    EXPECT_NE(caller.startTime, 0u);
    EXPECT_TRUE(helper.listener(caller));
    close(fds[1]);
}

TEST(ProcessStartTimeTest, FieldTwentyTwoCountedFromTheEndOfTheName) {
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

// A listening socket in the fake prefix with a server running on a thread of the test.
class ServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        relocateFixedPaths(tool.prefix());
        socketPath = tool.path("helper.socket");
        listening = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strcpy(address.sun_path, socketPath.c_str());
        ASSERT_EQ(bind(listening, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        ASSERT_EQ(listen(listening, 16), 0);
    }
    void TearDown() override {
        close(listening);
        relocateFixedPaths("");
    }

    FakeTool tool;
    testing::FakeAuthority authority;
    Helper helper{authority, geteuid()};
    std::string socketPath;
    int listening = -1;
};

TEST_F(ServerTest, NoMoreThanTheLimitRunAtOnceAndTheRestWaitTheirTurn) {
    // Each run notes whether the gate was already open when it started, then waits for it.
    tool.write(
        "if [ -e \"$TEST_DIR/open\" ]; then echo late >> \"$TEST_DIR/starts\"; "
        "else echo early >> \"$TEST_DIR/starts\"; fi\n"
        "i=0; while [ ! -e \"$TEST_DIR/open\" ] && [ $i -lt 2000 ]; do sleep 0.01; i=$((i+1)); "
        "done; printf done");
    ServerLimits limits;
    limits.maxConnections = 2;
    HelperServer server(helper, listening, limits);
    ASSERT_TRUE(server.ready());
    std::thread loop([&server] { server.run(); });

    std::vector<std::thread> clients;
    std::vector<HelperReply> replies(3);
    for (std::size_t i = 0; i < replies.size(); ++i) {
        clients.emplace_back([&, i] { replies[i] = testing::ask(socketPath, "status"); });
    }
    ASSERT_TRUE(testing::eventually([&] { return tool.read("starts") == "early\nearly\n"; }));
    EXPECT_LE(server.activeConnections(), 2u);
    std::ofstream(tool.path("open")).put('\n');
    for (auto& client : clients) {
        client.join();
    }
    for (const HelperReply& reply : replies) {
        EXPECT_EQ(reply, (HelperReply{true, "done"}));
    }
    EXPECT_EQ(tool.read("starts"), "early\nearly\nlate\n");

    server.requestStop();
    loop.join();
    EXPECT_TRUE(server.waitForIdle(10s));
    EXPECT_EQ(server.activeConnections(), 0u);
}

TEST_F(ServerTest, StopMakesRunReturnWhileAllSlotsAreBusy) {
    tool.write(
        "i=0; while [ ! -e \"$TEST_DIR/open\" ] && [ $i -lt 2000 ]; do sleep 0.01; "
        "i=$((i+1)); done");
    ServerLimits limits;
    limits.maxConnections = 1;
    HelperServer server(helper, listening, limits);
    std::thread loop([&server] { server.run(); });
    std::thread client([&] { testing::ask(socketPath, "status"); });
    ASSERT_TRUE(testing::eventually([&] { return server.activeConnections() == 1; }));
    server.requestStop();
    loop.join();
    EXPECT_FALSE(server.waitForIdle(0ms));
    std::ofstream(tool.path("open")).put('\n');
    client.join();
    EXPECT_TRUE(server.waitForIdle(10s));
}

}  // namespace
}  // namespace tarvex
