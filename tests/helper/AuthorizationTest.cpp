#include <unistd.h>

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "helper/Authorization.h"
#include "helper/Helper.h"
#include "shared/base/FixedPaths.h"
#include "tests/helper/FakeAuthority.h"
#include "tests/helper/FakeTool.h"
#include "tests/support/ScopedEnv.h"

namespace tarvex {
namespace {

using testing::FakeAuthority;

constexpr uid_t HELPER_UID = 0;

Caller person(uid_t uid) {
    Caller caller;
    caller.known = true;
    caller.uid = uid;
    caller.gid = uid;
    caller.pid = 4242;
    caller.startTime = 987654;
    return caller;
}

// The action each command needs from a caller other than the helper's own uid.
const std::map<std::string, std::string> NEEDED = {
    {"start", "com.tarvex.monitor.manage"},
    {"stop", "com.tarvex.monitor.manage"},
    {"restart", "com.tarvex.monitor.manage"},
    {"setup", "com.tarvex.monitor.manage"},
    {"initialize", "com.tarvex.monitor.manage"},
    {"config", "com.tarvex.monitor.manage"},
    {"status", ""},
    {"enable-boot", "com.tarvex.monitor.boot"},
    {"disable-boot", "com.tarvex.monitor.boot"},
    {"uninstall", "com.tarvex.monitor.manage"},
};

TEST(AuthorizationTest, EveryCommandForEveryKindOfCallerAndAnswer) {
    Caller unknown;
    Caller withoutStartTime = person(1000);
    withoutStartTime.startTime = 0;
    const std::map<std::string, Caller> callers = {{"same uid", person(HELPER_UID)},
                                                   {"other uid", person(1000)},
                                                   {"unknown", unknown},
                                                   {"no start time", withoutStartTime}};
    // A time-out reaches this level as no answer; PkcheckAuthority's own test covers it.
    const std::map<std::string, AuthorityAnswer> answers = {
        {"yes", AuthorityAnswer::yes},
        {"no", AuthorityAnswer::no},
        {"no agent", AuthorityAnswer::noAgent},
        {"dismissed", AuthorityAnswer::dismissed},
        {"unavailable", AuthorityAnswer::unavailable}};
    // How each refusal ends; a caller that cannot be named is refused without asking anyone.
    std::map<AuthorityAnswer, std::string> cause = {
        {AuthorityAnswer::no, " (refused)"},
        {AuthorityAnswer::noAgent, " (no authentication agent)"},
        {AuthorityAnswer::dismissed, " (dismissed)"},
        {AuthorityAnswer::unavailable, " (authorization unavailable)"}};
    ASSERT_EQ(NEEDED.size(), ALLOWED_COMMANDS.size());
    for (const auto& [command, action] : NEEDED) {
        for (const auto& [who, caller] : callers) {
            for (const auto& [said, answer] : answers) {
                FakeAuthority authority;
                authority.answer = answer;
                const auto refusal = authorize(command, caller, HELPER_UID, authority);
                const std::string where = command + ", " + who + ", authority " + said;

                const bool asks = who == "other uid" && !action.empty();
                EXPECT_EQ(authority.asked,
                          asks ? std::vector<std::string>{action} : std::vector<std::string>{})
                    << where;
                const bool free = who == "same uid" || command == "status";
                if (free || (asks && answer == AuthorityAnswer::yes)) {
                    EXPECT_EQ(refusal, std::nullopt) << where;
                } else {
                    const std::string ending = cause[asks ? answer : AuthorityAnswer::no];
                    EXPECT_EQ(refusal, (HelperReply{false, "Not authorized: " + command + ending}))
                        << where;
                }
            }
        }
    }
}

TEST(AuthorizationTest, TheDialogReadsLikeTheMonitorsPrompt) {
    EXPECT_EQ(promptFor("stop"),
              "tarvex Monitor needs your password to stop the database service.");
    EXPECT_EQ(promptFor("uninstall"),
              "tarvex Monitor needs your password to uninstall tarvex and remove all data.");
    for (std::string_view command : ALLOWED_COMMANDS) {
        EXPECT_FALSE(promptFor(command).empty()) << command;
    }
}

// pkcheck itself is replaced by a script that records its arguments and exits as told.
class PkcheckAuthorityTest : public ::testing::Test {
protected:
    std::string script(const std::string& body) {
        tool.write("printf '%s\\n' \"$@\" > \"$TEST_DIR/args\"; env > \"$TEST_DIR/env\"\n" + body);
        return tool.toolPath();
    }
    testing::FakeTool tool;
};

TEST_F(PkcheckAuthorityTest, ExitStatusesMapToAnswers) {
    // 2: a password was needed and no agent could ask for it.
    const std::vector<std::pair<std::string, AuthorityAnswer>> cases = {
        {"exit 0", AuthorityAnswer::yes},
        {"exit 1", AuthorityAnswer::no},
        {"exit 2", AuthorityAnswer::noAgent},
        {"exit 3", AuthorityAnswer::dismissed},
        {"exit 127", AuthorityAnswer::unavailable},
        {"exit 4", AuthorityAnswer::unavailable},
        {"kill -9 $$", AuthorityAnswer::unavailable}};
    for (const auto& [body, expected] : cases) {
        PkcheckAuthority authority(script(body), std::chrono::seconds(20));
        EXPECT_EQ(authority.check(person(1000), MANAGE_ACTION, "Prompt"), expected) << body;
    }
    PkcheckAuthority missing(tool.path("no-such-pkcheck"));
    EXPECT_EQ(missing.check(person(1000), MANAGE_ACTION, "Prompt"), AuthorityAnswer::unavailable);
}

TEST_F(PkcheckAuthorityTest, AsksAboutThatVeryProcessWithAFixedEnvironment) {
    PkcheckAuthority authority(script("exit 0"), std::chrono::seconds(20));
    {
        const testing::ScopedEnv libraryPath("LD_LIBRARY_PATH", "/nonexistent");
        authority.check(person(1000), BOOT_ACTION, "Change it?");
    }
    EXPECT_EQ(tool.read("args"),
              "--action-id\ncom.tarvex.monitor.boot\n--process\n4242,987654,1000\n"
              "--allow-user-interaction\n--detail\npolkit.message\nChange it?\n");
    EXPECT_EQ(tool.read("env").find("LD_LIBRARY_PATH"), std::string::npos) << tool.read("env");

    PkcheckAuthority withoutMessage(script("exit 0"), std::chrono::seconds(20), false);
    withoutMessage.check(person(1000), BOOT_ACTION, "Change it?");
    EXPECT_EQ(tool.read("args").find("polkit.message"), std::string::npos);
}

TEST_F(PkcheckAuthorityTest, ACheckPastItsTimeLimitIsNoAnswer) {
    PkcheckAuthority authority(script("exec sleep 30"), std::chrono::milliseconds(200));
    EXPECT_EQ(authority.check(person(1000), MANAGE_ACTION, "Prompt"), AuthorityAnswer::unavailable);
}

// What the helper writes to the audit trail for each outcome. Every field is quoted and
// escaped, so that nothing a caller sends can end one early or add one.
TEST(AuditTest, RefusalsAndCommandsOtherThanStatusAreLogged) {
    testing::FakeTool tool;
    relocateFixedPaths(tool.prefix());
    tool.write("exit 3");
    FakeAuthority authority;
    std::vector<std::string> lines;
    Helper helper(authority, geteuid(), [&](const std::string& line) { lines.push_back(line); });
    std::vector<std::string> replies;
    const auto serve = [&](const Caller& caller, const std::string& command) {
        helper.serve(caller, HelperRequest{command, {}},
                     [&](bool, std::string output) { replies.push_back(std::move(output)); });
    };
    Caller other = person(geteuid() + 1000);
    serve(other, "status");                              // allowed, read-only: not logged
    serve(other, "stop");                                // refused by the authority
    serve(other, "x\" uid=\"0\" decision=\"allowed\n");  // forged fields and a line
    serve(person(geteuid()), "restart");                 // run, with its exit status
    relocateFixedPaths("");
    const std::string head = "uid=\"" + std::to_string(geteuid() + 1000) + "\" pid=\"4242\"";
    EXPECT_EQ(lines,
              (std::vector<std::string>{
                  head + R"( command="stop" decision="refused" result=")" + replies[1] + "\"",
                  head + R"( command="x\" uid=\"0\" decision=\"allowed\x0A" )"
                         R"(decision="refused" result="Command not allowed: x\" )"
                         R"(uid=\"0\" decision=\"allowed\x0A")",
                  "uid=\"" + std::to_string(geteuid()) +
                      R"(" pid="4242" command="restart" decision="allowed" result="exit 3")"}));
}

}  // namespace
}  // namespace tarvex
