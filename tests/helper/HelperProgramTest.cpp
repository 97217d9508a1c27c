#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>

#include "shared/WireFormat.h"
#include "shared/base/ProcessRunner.h"
#include "tests/helper/FakeTool.h"
#include "tests/helper/HelperLauncher.h"
#include "tests/helper/RawClient.h"

namespace tarvex {
namespace {

using testing::ask;
using testing::HelperLauncher;
using testing::rawExchange;

std::string frame(std::string_view magic, std::initializer_list<std::uint32_t> words,
                  std::string_view tail = "") {
    std::string out(magic);
    for (std::uint32_t w : words) {
        for (int shift = 24; shift >= 0; shift -= 8) {
            out.push_back(static_cast<char>((w >> shift) & 0xFFu));
        }
    }
    out += tail;
    return out;
}

const HelperReply MALFORMED{false, "Malformed request"};

// A helper started the way a service manager starts it: on a socket that already listens.
class HelperProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        socketPath = tool.path("helper.socket");
        ASSERT_TRUE(helper.start({"--prefix", tool.prefix(), "--socket", socketPath},
                                 HelperLauncher::Socket::activated, socketPath));
    }
    void TearDown() override { EXPECT_EQ(helper.finish(SIGTERM), 0) << helper.errors(); }

    testing::FakeTool tool;
    HelperLauncher helper;
    std::string socketPath;
};

TEST_F(HelperProgramTest, EveryAllowedCommandRunsTheTool) {
    tool.writeRecording("printf 'ran %s\\n' \"$1\"");
    std::string expectedRuns;
    for (std::string_view command : ALLOWED_COMMANDS) {
        const std::string name(command);
        EXPECT_EQ(ask(socketPath, name), (HelperReply{true, "ran " + name + "\n"}));
        expectedRuns += name + "\n";
    }
    EXPECT_EQ(tool.read("runs"), expectedRuns);
}

TEST_F(HelperProgramTest, CommandsOutsideTheAllowListAreRefusedAsSent) {
    tool.writeRecording();
    for (const std::string command :
         {"Status", "STOP", "Enable-Boot", "boot-status", " status", "status ", "st atus", ""}) {
        EXPECT_EQ(ask(socketPath, command, {"--force"}),
                  (HelperReply{false, "Command not allowed: " + command}));
    }
    EXPECT_EQ(ask(socketPath, "").output.size(), 21u);
    EXPECT_EQ(tool.read("runs"), "");
}

TEST_F(HelperProgramTest, RequestsWithArgumentsAreRefusedAndRunNothing) {
    tool.writeRecording();
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--verbose"}, {"--force", "--base-dir=/"}, {""}}) {
        EXPECT_EQ(ask(socketPath, "status", args), (HelperReply{false, "Arguments not allowed"}));
    }
    EXPECT_EQ(tool.read("runs"), "");
}

TEST_F(HelperProgramTest, FailuresCarryTheToolsOutput) {
    const std::vector<std::pair<std::string, HelperReply>> cases = {
        {"printf 'ok\\n'; exit 1", {false, "ok\n"}},
        {"printf 'half'; kill -9 $$", {false, "half"}},
        {"printf 'a\\n'; printf 'b\\n' >&2; printf 'c\\n'", {true, "a\nb\nc\n"}},
        {"printf '\\377\\376'", {true, ""}}};
    for (const auto& [body, reply] : cases) {
        tool.write(body);
        EXPECT_EQ(ask(socketPath, "stop"), reply) << body;
    }
}

TEST_F(HelperProgramTest, AMissingToolGivesTheLaunchErrorAndTheHelperCarriesOn) {
    const HelperReply missing = ask(socketPath, "start");
    EXPECT_FALSE(missing.success);
    EXPECT_NE(missing.output.find(tool.toolPath()), std::string::npos) << missing.output;
    EXPECT_NE(missing.output.find(std::strerror(ENOENT)), std::string::npos) << missing.output;
    tool.write("printf fine");
    EXPECT_EQ(ask(socketPath, "start"), (HelperReply{true, "fine"}));
}

TEST_F(HelperProgramTest, RequestsOnDifferentConnectionsRunTogether) {
    // Each run waits until all eight have started: serialised runs would never get there and
    // would give up with status 1 after about ten seconds. (Status runs are shared instead.)
    tool.write(
        "touch \"$TEST_DIR/started.$$\"; i=0\n"
        "while [ $(ls \"$TEST_DIR\" | grep -c '^started') -lt 8 ]; do\n"
        "  i=$((i+1)); [ $i -gt 1000 ] && exit 1; sleep 0.01\ndone\nprintf together");
    std::vector<HelperReply> replies(8);
    std::vector<std::thread> clients;
    for (std::size_t i = 0; i < replies.size(); ++i) {
        clients.emplace_back([&, i] { replies[i] = ask(socketPath, "restart"); });
    }
    for (auto& client : clients) {
        client.join();
    }
    for (const auto& reply : replies) {
        EXPECT_EQ(reply, (HelperReply{true, "together"}));
    }
}

TEST_F(HelperProgramTest, MalformedFramesAreAnsweredAndRunNothing) {
    tool.writeRecording();
    const std::string status = encodeRequest({"status", {}});
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"wrong magic", frame("TVXR", {1, 6}, "status")},
        {"no strings", frame("TVXQ", {0})},
        {"too many strings", frame("TVXQ", {65})},
        {"string too long", frame("TVXQ", {1, 65537})},
        {"not UTF-8", frame("TVXQ", {1, 6}, "stat\xC3s")},
        {"NUL byte", frame("TVXQ", {1, 7}, std::string("status\0", 7))},
        {"NUL in an arg", frame("TVXQ", {2, 6}, "status" + frame("", {3}, std::string("a\0b", 3)))},
    };
    for (const auto& [name, bytes] : cases) {
        EXPECT_EQ(testing::decodeWholeReply(rawExchange(socketPath, bytes)), MALFORMED) << name;
    }
    // Frames cut short, answered once the client stops sending.
    for (std::size_t cut : {std::size_t{0}, std::size_t{3}, std::size_t{6}, status.size() - 1}) {
        EXPECT_EQ(testing::decodeWholeReply(rawExchange(socketPath, status.substr(0, cut), true)),
                  MALFORMED)
            << "cut at " << cut;
    }
    EXPECT_EQ(tool.read("runs"), "");
    EXPECT_EQ(ask(socketPath, "status"), (HelperReply{true, ""}));
    EXPECT_EQ(tool.read("runs"), "status\n");
}

TEST_F(HelperProgramTest, AStalledClientIsDroppedWhileOthersAreServed) {
    tool.writeRecording("printf served");
    std::string error;
    const int stalled = connectToHelper(socketPath, error);
    ASSERT_GE(stalled, 0) << error;
    const std::string partial = encodeRequest({"status", {}}).substr(0, 10);
    ASSERT_TRUE(writeAll(stalled, partial.data(), partial.size()));

    EXPECT_EQ(ask(socketPath, "status"), (HelperReply{true, "served"}));
    bool closed = false;
    const std::string answer = testing::readUntilClosed(stalled, 30000, &closed);
    close(stalled);
    EXPECT_TRUE(closed);
    EXPECT_EQ(answer, "");
    EXPECT_EQ(tool.read("runs"), "status\n");  // only the served request ran
}

TEST_F(HelperProgramTest, TheToolInheritsOnlyTheStandardDescriptors) {
    // ls opens the listing itself as the lowest free descriptor: 3, when 0-2 are all it got.
    tool.write("exec ls /proc/self/fd");
    EXPECT_EQ(ask(socketPath, "status"), (HelperReply{true, "0\n1\n2\n3\n"}));
    tool.write("printf '%s' \"${LISTEN_PID-unset} ${LISTEN_FDS-unset}\"");
    EXPECT_EQ(ask(socketPath, "status"), (HelperReply{true, "unset unset"}));
}

TEST_F(HelperProgramTest, EveryDescriptorOfTheHelperIsCloseOnExecWhileAToolRuns) {
    tool.write(
        "touch \"$TEST_DIR/started\"; i=0\n"
        "while [ ! -e \"$TEST_DIR/open\" ] && [ $i -lt 2000 ]; do sleep 0.01; i=$((i+1)); "
        "done");
    std::thread client([&] { ask(socketPath, "status"); });
    ASSERT_TRUE(testing::eventually([&] { return std::filesystem::exists(tool.path("started")); }));
    // Now the helper holds its listening socket, its stop pipe, the client's connection and the
    // tool's pipe: none of them may leak into a program it starts.
    const std::string fdinfo = "/proc/" + std::to_string(helper.pid()) + "/fdinfo";
    int checked = 0;
    for (const auto& entry : std::filesystem::directory_iterator(fdinfo)) {
        const int fd = std::stoi(entry.path().filename().string());
        std::ifstream info(entry.path());
        std::string key;
        std::string flags;
        while (info >> key >> flags && key != "flags:") {
        }
        if (fd <= 2 || key != "flags:") {
            continue;
        }
        ++checked;
        EXPECT_NE(std::stol(flags, nullptr, 8) & O_CLOEXEC, 0) << "descriptor " << fd;
    }
    EXPECT_GE(checked, 4);
    std::ofstream(tool.path("open")).put('\n');
    client.join();
}

TEST_F(HelperProgramTest, TheHelpersDescriptorsDoNotGrowWithRequests) {
    tool.write("printf x");
    ASSERT_EQ(ask(socketPath, "status"), (HelperReply{true, "x"}));
    const int before = helper.openDescriptors();
    ASSERT_GT(before, 0);
    for (int i = 0; i < 40; ++i) {
        ask(socketPath, "status");
        ask(socketPath, "refused");
        rawExchange(socketPath, "junk");
        rawExchange(socketPath, "TVXQ", true);
    }
    // Every exchange waited for the helper to close its end, so nothing is in flight.
    EXPECT_EQ(helper.openDescriptors(), before);
}

TEST_F(HelperProgramTest, AClientThatHangsUpMidRequestDoesNotStopTheHelper) {
    tool.write("sleep 0.2; head -c 300000 /dev/zero");
    for (int i = 0; i < 3; ++i) {
        std::string error;
        const int fd = connectToHelper(socketPath, error);
        ASSERT_GE(fd, 0) << error;
        const std::string request = encodeRequest({"status", {}});
        writeAll(fd, request.data(), request.size());
        close(fd);
    }
    tool.write("printf alive");
    // The earlier runs may still be writing to closed sockets; the helper must survive that.
    EXPECT_TRUE(testing::eventually([&] { return ask(socketPath, "status").output == "alive"; }));
}

TEST(HelperProgramStartTest, BindsItsSocketForEveryoneAndRemovesItOnStop) {
    testing::FakeTool tool;
    tool.write("printf up");
    const std::string socketPath = tool.path("bound.socket");
    HelperLauncher helper;
    ASSERT_TRUE(helper.start({"--prefix", tool.prefix(), "--socket", socketPath},
                             HelperLauncher::Socket::bound, socketPath))
        << helper.errors();
    struct stat info {};
    ASSERT_EQ(lstat(socketPath.c_str(), &info), 0);
    EXPECT_TRUE(S_ISSOCK(info.st_mode));
    EXPECT_EQ(info.st_mode & 0777, 0666u);
    EXPECT_EQ(ask(socketPath, "status"), (HelperReply{true, "up"}));
    EXPECT_EQ(helper.finish(SIGINT), 0);
    EXPECT_FALSE(std::filesystem::exists(socketPath));
}

TEST(HelperProgramStartTest, AnActivatedSocketIsLeftToTheServiceManager) {
    testing::FakeTool tool;
    const std::string socketPath = tool.path("activated.socket");
    HelperLauncher helper;
    ASSERT_TRUE(
        helper.start({"--socket", socketPath}, HelperLauncher::Socket::activated, socketPath));
    EXPECT_EQ(helper.finish(SIGTERM), 0);
    EXPECT_TRUE(std::filesystem::exists(socketPath));
}

TEST(HelperProgramStartTest, ASecondHelperOnALiveSocketExitsWithStatusOne) {
    testing::FakeTool tool;
    tool.write("printf first");
    const std::string socketPath = tool.path("live.socket");
    HelperLauncher first;
    ASSERT_TRUE(first.start({"--prefix", tool.prefix(), "--socket", socketPath},
                            HelperLauncher::Socket::bound, socketPath));
    const testing::QuickRun second = testing::runHelperToEnd({"--socket", socketPath});
    EXPECT_EQ(second.status, 1);
    EXPECT_NE(second.errors.find("already listening"), std::string::npos) << second.errors;
    EXPECT_EQ(ask(socketPath, "status"), (HelperReply{true, "first"}));
    EXPECT_EQ(first.finish(SIGTERM), 0);
}

TEST(HelperProgramStartTest, AStaleSocketFileIsReplaced) {
    testing::FakeTool tool;
    tool.write("printf fresh");
    const std::string socketPath = tool.path("stale.socket");
    {
        const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strcpy(address.sun_path, socketPath.c_str());
        ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        close(fd);  // the file stays behind with nobody listening
    }
    HelperLauncher helper;
    ASSERT_TRUE(helper.start({"--prefix", tool.prefix(), "--socket", socketPath},
                             HelperLauncher::Socket::bound, socketPath))
        << helper.errors();
    EXPECT_EQ(ask(socketPath, "status"), (HelperReply{true, "fresh"}));
    EXPECT_EQ(helper.finish(SIGTERM), 0);
}

TEST(HelperProgramStartTest, SomethingElseAtTheSocketPathIsLeftAlone) {
    testing::FakeTool tool;
    const std::string socketPath = tool.path("not-a-socket");
    std::ofstream(socketPath) << "keep me";
    const testing::QuickRun run = testing::runHelperToEnd({"--socket", socketPath});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.errors.find("not a socket"), std::string::npos) << run.errors;
    EXPECT_EQ(tool.read("not-a-socket"), "keep me");
}

TEST(HelperProgramStartTest, OptionsAreCheckedBeforeAnythingStarts) {
    const testing::QuickRun unknown = testing::runHelperToEnd({"--verbose"});
    EXPECT_EQ(unknown.status, 2);
    EXPECT_NE(unknown.errors.find("usage: tarvex-helper"), std::string::npos);
    EXPECT_EQ(unknown.output, "");

    const testing::QuickRun missingValue = testing::runHelperToEnd({"--prefix"});
    EXPECT_EQ(missingValue.status, 2);
    EXPECT_NE(missingValue.errors.find("--prefix"), std::string::npos);

    const testing::QuickRun help = testing::runHelperToEnd({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.output.find("--socket PATH"), std::string::npos);

    const testing::QuickRun version = testing::runHelperToEnd({"--prefix", "/x", "--version"});
    EXPECT_EQ(version.status, 0);
    // "tarvex-helper X.Y.Z" and a newline, nothing more (std::regex trips GCC's sanitizer build).
    unsigned x = 0, y = 0, z = 0;
    char end = 0;
    int used = 0;
    EXPECT_EQ(
        std::sscanf(version.output.c_str(), "tarvex-helper %u.%u.%u%c%n", &x, &y, &z, &end, &used),
        4)
        << version.output;
    EXPECT_EQ(end, '\n');
    EXPECT_EQ(static_cast<std::size_t>(used), version.output.size()) << version.output;
}

}  // namespace
}  // namespace tarvex
