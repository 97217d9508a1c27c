#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>

#include "helper/Helper.h"
#include "helper/TrustedTool.h"
#include "shared/base/FixedPaths.h"
#include "tests/helper/FakeAuthority.h"
#include "tests/helper/FakeTool.h"

namespace tarvex {
namespace {

class TrustedToolTest : public ::testing::Test {
protected:
    void SetUp() override { tool.writeRecording(); }
    ToolCheck check() const { return checkTrustedTool(tool.toolPath(), geteuid()); }
    std::string bin() const { return tool.prefix() + "/opt/tarvex/bin"; }

    testing::FakeTool tool;
};

TEST_F(TrustedToolTest, ATreeOnlyItsOwnerCanChangeIsTrusted) {
    const ToolCheck plain = check();
    EXPECT_EQ(plain.problem, "");
    EXPECT_EQ(plain.resolved, tool.toolPath());
    // A sticky folder open to all, like /tmp, is safe: nobody else may replace our entries.
    ASSERT_EQ(chmod(bin().c_str(), 01777), 0);
    EXPECT_EQ(check().problem, "");
}

TEST_F(TrustedToolTest, AnythingOthersCouldWriteIsNamed) {
    const std::vector<std::pair<std::string, mode_t>> cases = {{tool.toolPath(), 0757},
                                                               {tool.toolPath(), 0775},
                                                               {bin(), 0777},
                                                               {bin(), 0775},
                                                               {tool.prefix() + "/opt", 0757}};
    for (const auto& [path, mode] : cases) {
        struct stat before {};
        ASSERT_EQ(stat(path.c_str(), &before), 0);
        ASSERT_EQ(chmod(path.c_str(), mode), 0);
        EXPECT_EQ(check().problem, path + " is writable by group or others") << path;
        chmod(path.c_str(), before.st_mode & 07777);
    }
}

TEST_F(TrustedToolTest, LinksAreFollowedAndTheTargetChecked) {
    const std::string elsewhere = tool.path("elsewhere");
    std::filesystem::create_directories(elsewhere);
    ASSERT_EQ(chmod(elsewhere.c_str(), 0777), 0);
    std::filesystem::rename(tool.toolPath(), elsewhere + "/tarvexctl");
    std::filesystem::create_symlink(elsewhere + "/tarvexctl", tool.toolPath());
    const ToolCheck linked = check();
    EXPECT_EQ(linked.resolved, elsewhere + "/tarvexctl");
    EXPECT_EQ(linked.problem, elsewhere + " is writable by group or others");

    // A link planted in a folder others can write is refused, wherever it points.
    ASSERT_EQ(chmod(elsewhere.c_str(), 0755), 0);
    ASSERT_EQ(chmod(bin().c_str(), 0777), 0);
    EXPECT_EQ(check().problem, bin() + " is writable by group or others");

    std::filesystem::remove(tool.toolPath());
    EXPECT_EQ(check().error, ENOENT);
}

TEST_F(TrustedToolTest, AFileOfAnotherAccountIsNotTrustedByRoot) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "needs root to give the file away";
    }
    ASSERT_EQ(chown(bin().c_str(), 65534, 65534), 0);
    EXPECT_EQ(check().problem, bin() + " is owned by uid 65534, not by root");
}

TEST_F(TrustedToolTest, ARootHelperRefusesAnUntrustedToolAndRunsNothing) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "the check applies to a helper running as root";
    }
    relocateFixedPaths(tool.prefix());
    testing::FakeAuthority authority;
    std::vector<std::string> lines;
    Helper helper(authority, 0, [&](const std::string& line) { lines.push_back(line); });
    ASSERT_EQ(chmod(bin().c_str(), 0777), 0);
    HelperReply reply;
    helper.execute("stop", {}, [&](bool success, std::string output) {
        reply = {success, std::move(output)};
    });
    relocateFixedPaths("");
    EXPECT_EQ(reply, (HelperReply{false, "Refusing to run " + tool.toolPath() + ": " + bin() +
                                             " is writable by group or others"}));
    EXPECT_EQ(tool.read("runs"), "");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("decision=\"refused\" result=\"Refusing to run"), std::string::npos);
}

}  // namespace
}  // namespace tarvex
