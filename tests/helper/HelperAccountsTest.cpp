// The real helper run as root, asked by another account: what that account may and may not make
// root do. Needs root to play both sides; skips otherwise.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "tests/helper/AccountClient.h"
#include "tests/helper/FakeTool.h"
#include "tests/helper/HelperLauncher.h"
#include "tests/helper/RawClient.h"
#include "tests/support/ScopedEnv.h"

namespace tarvex {
namespace {

using testing::askAs;
using testing::UNPRIVILEGED_UID;

// Whatever polkit answers here (or none, without a system bus), it is a refusal.
bool isRefusal(const HelperReply& reply, const std::string& command) {
    return !reply.success && reply.output.rfind("Not authorized: " + command + " (", 0) == 0;
}

class HelperAccountsTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!testing::runningAsRoot()) {
            GTEST_SKIP() << "needs root: it plays a second account with setresuid";
        }
        // The other account reaches the socket through the prefix; the prefix stays root's.
        ASSERT_EQ(chmod(tool.prefix().c_str(), 0755), 0);
        socketPath = tool.path("helper.socket");
        tool.writeRecording("env > \"$TEST_DIR/env\"\necho \"report for $1\"");
    }
    bool start() {
        return helper.start({"--prefix", tool.prefix(), "--socket", socketPath},
                            testing::HelperLauncher::Socket::bound, socketPath);
    }
    void TearDown() override {
        if (testing::runningAsRoot()) {
            EXPECT_EQ(helper.finish(SIGTERM), 0) << helper.errors();
        }
    }

    testing::FakeTool tool;
    testing::HelperLauncher helper;
    std::string socketPath;
};

TEST_F(HelperAccountsTest, AnotherAccountGetsStatusButCannotManage) {
    ASSERT_TRUE(start()) << helper.errors();
    EXPECT_EQ(askAs(UNPRIVILEGED_UID, socketPath, "status"),
              (HelperReply{true, "report for status\n"}));
    for (const std::string command : {"uninstall", "initialize"}) {
        const HelperReply reply = askAs(UNPRIVILEGED_UID, socketPath, command);
        EXPECT_TRUE(isRefusal(reply, command)) << command << ": " << reply.output;
    }
    EXPECT_EQ(tool.read("runs"), "status\n");
    // The helper's own account may: the refusals above came from the caller, not the tool.
    EXPECT_EQ(testing::ask(socketPath, "uninstall"), (HelperReply{true, "report for uninstall\n"}));
    EXPECT_EQ(tool.read("runs"), "status\nuninstall\n");
}

TEST_F(HelperAccountsTest, ArgumentsNeverReachTheTool) {
    ASSERT_TRUE(start()) << helper.errors();
    const HelperReply refused{false, "Arguments not allowed"};
    EXPECT_EQ(askAs(UNPRIVILEGED_UID, socketPath, "status", {"--force"}), refused);
    EXPECT_EQ(askAs(UNPRIVILEGED_UID, socketPath, "status", {"--base-dir=/", ""}), refused);
    EXPECT_EQ(testing::ask(socketPath, "start", {"--force"}), refused);
    EXPECT_EQ(tool.read("runs"), "");
}

TEST_F(HelperAccountsTest, ToolGetsAFixedEnvironmentNotTheHelpers) {
    // Both are read by the dynamic loader or a shell before any of the tool's own code runs.
    {
        const testing::ScopedEnv preload("LD_PRELOAD", "/nonexistent/tarvex-test-preload.so");
        const testing::ScopedEnv bashEnv("BASH_ENV", tool.path("planted-bash-env"));
        ASSERT_TRUE(start()) << helper.errors();
    }
    ASSERT_TRUE(askAs(UNPRIVILEGED_UID, socketPath, "status").success);
    const std::string env = "\n" + tool.read("env");
    EXPECT_EQ(env.find("\nLD_PRELOAD="), std::string::npos) << env;
    EXPECT_EQ(env.find("\nBASH_ENV="), std::string::npos) << env;
    EXPECT_NE(env.find("\nPATH=/usr/sbin:/usr/bin:/sbin:/bin\n"), std::string::npos) << env;
    EXPECT_NE(env.find("\nLANG=C.UTF-8\n"), std::string::npos) << env;
}

TEST_F(HelperAccountsTest, ToolInAFolderAnotherAccountCanChangeIsNotRun) {
    const std::string folder = tool.path("opt/tarvex");
    struct Case {
        const char* name;
        uid_t owner;
        mode_t mode;
    };
    for (const Case& c :
         {Case{"owned by the account", UNPRIVILEGED_UID, 0755}, Case{"writable by others", 0, 0777},
          Case{"writable by group", 0, 0775}}) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(chown(folder.c_str(), c.owner, 0), 0);
        ASSERT_EQ(chmod(folder.c_str(), c.mode), 0);
        ASSERT_TRUE(start()) << helper.errors();
        const HelperReply reply = askAs(UNPRIVILEGED_UID, socketPath, "status");
        EXPECT_FALSE(reply.success);
        EXPECT_EQ(reply.output.rfind("Refusing to run " + tool.toolPath() + ": ", 0), 0u)
            << reply.output;
        EXPECT_EQ(tool.read("runs"), "");
        EXPECT_EQ(helper.finish(SIGTERM), 0) << helper.errors();
    }
    // The same layout made safe again runs: the refusals were about the folder.
    ASSERT_EQ(chown(folder.c_str(), 0, 0), 0);
    ASSERT_EQ(chmod(folder.c_str(), 0755), 0);
    ASSERT_TRUE(start()) << helper.errors();
    EXPECT_TRUE(askAs(UNPRIVILEGED_UID, socketPath, "status").success);
}

}  // namespace
}  // namespace tarvex
