#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QTemporaryDir>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "monitor/privileged/AdminAuthorization.h"

namespace tarvex {
namespace {

// A stand-in for pkcheck: a shell script that appends its arguments (each ended by a NUL,
// the call ended by a newline) to a log and then runs `behaviour`.
class FakePkcheck {
public:
    explicit FakePkcheck(const std::string& behaviour) {
        EXPECT_TRUE(dir_.isValid());
        path_ = dir_.filePath("pkcheck").toStdString();
        log_ = dir_.filePath("calls").toStdString();
        std::ofstream script(path_);
        script << "#!/bin/sh\n"
               << "for arg in \"$@\"; do printf '%s\\0' \"$arg\"; done >> '" << log_ << "'\n"
               << "printf '\\n' >> '" << log_ << "'\n"
               << behaviour << "\n";
        script.close();
        chmod(path_.c_str(), 0700);
    }

    const std::string& path() const { return path_; }

    std::vector<std::vector<std::string>> calls() const {
        std::ifstream in(log_, std::ios::binary);
        std::stringstream content;
        content << in.rdbuf();
        std::vector<std::vector<std::string>> result;
        std::string line;
        while (std::getline(content, line, '\n')) {
            std::vector<std::string> args;
            std::size_t start = 0;
            for (std::size_t end; (end = line.find('\0', start)) != std::string::npos;
                 start = end + 1) {
                args.push_back(line.substr(start, end - start));
            }
            result.push_back(args);
        }
        return result;
    }

private:
    QTemporaryDir dir_;
    std::string path_;
    std::string log_;
};

std::vector<std::string> expectedArgs(const std::string* prompt) {
    std::vector<std::string> args = {"--action-id", "com.tarvex.monitor.manage", "--process",
                                     std::to_string(getpid()), "--allow-user-interaction"};
    if (prompt != nullptr) {
        args.insert(args.end(), {"--detail", "polkit.message", *prompt});
    }
    return args;
}

const std::string PROMPT =
    "tarvex Monitor m\xC3\xB6"
    "chte den Dienst starten \xE2\x80\x93 \xE6\x9C\x8D\xE5\x8A\xA1\xE2\x80\xA6";

TEST(PolkitAuthorizerTest, GrantedCheckPassesTheActionOwnPidAndPromptIntact) {
    FakePkcheck pkcheck("exit 0");
    PolkitAuthorizer authorizer(pkcheck.path());
    EXPECT_TRUE(authorizer.authorizeAdmin(PROMPT));
    const auto calls = pkcheck.calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0], expectedArgs(&PROMPT));
}

// Only denial and dismissal are the user's answers; for the others the reason is told.
TEST(PolkitAuthorizerTest, DenialNoAgentAndDismissalAreFinalAnswers) {
    const std::pair<int, const char*> cases[] = {
        {1, ""}, {3, ""}, {2, "No polkit authentication agent"}, {126, "could not be run: oops"}};
    for (const auto& [status, reason] : cases) {
        FakePkcheck pkcheck("echo oops >&2; exit " + std::to_string(status));
        PolkitAuthorizer authorizer(pkcheck.path());
        EXPECT_FALSE(authorizer.authorizeAdmin(PROMPT)) << "status " << status;
        EXPECT_EQ(pkcheck.calls().size(), 1u) << "asked again after status " << status;
        const std::string told = authorizer.unavailableReason();
        EXPECT_EQ(told.empty(), *reason == '\0') << status << ": " << told;
        EXPECT_NE(told.find(reason), std::string::npos) << told;
    }
}

// polkitd refuses details from callers that are not root (pkcheck exits with 127): the
// check is asked again without the prompt, so the prompt never costs the user the right.
TEST(PolkitAuthorizerTest, RefusedPromptIsDroppedAndTheCheckAskedAgain) {
    FakePkcheck pkcheck(
        "for arg in \"$@\"; do [ \"$arg\" = --detail ] && exit 127; done\n"
        "exit 0");
    PolkitAuthorizer authorizer(pkcheck.path());
    EXPECT_TRUE(authorizer.authorizeAdmin(PROMPT));
    const auto calls = pkcheck.calls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0], expectedArgs(&PROMPT));
    EXPECT_EQ(calls[1], expectedArgs(nullptr));
}

TEST(PolkitAuthorizerTest, ErrorWithoutThePromptIsDeniedAndTold) {
    FakePkcheck pkcheck("echo 'Error checking for authorization: no polkitd' >&2; exit 127");
    PolkitAuthorizer authorizer(pkcheck.path());
    EXPECT_FALSE(authorizer.authorizeAdmin(PROMPT));
    EXPECT_EQ(pkcheck.calls().size(), 2u);
    EXPECT_NE(authorizer.unavailableReason().find(
                  "could not be asked: Error checking for authorization: no polkitd"),
              std::string::npos)
        << authorizer.unavailableReason();
}

TEST(PolkitAuthorizerTest, MissingOrKilledPkcheckIsDenied) {
    QTemporaryDir dir;
    FakePkcheck killed("kill -KILL $$");
    for (const std::string& path :
         {dir.filePath("pkcheck").toStdString(), std::string(), killed.path()}) {
        PolkitAuthorizer authorizer(path);
        EXPECT_FALSE(authorizer.authorizeAdmin(PROMPT)) << path;
        EXPECT_FALSE(authorizer.unavailableReason().empty()) << path;
    }
    // A later check that the user answers forgets the earlier reason.
    FakePkcheck declined("exit 1");
    PolkitAuthorizer authorizer(declined.path());
    authorizer.authorizeAdmin(PROMPT);
    EXPECT_EQ(authorizer.unavailableReason(), "");
}

}  // namespace
}  // namespace tarvex
