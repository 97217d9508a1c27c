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

TEST(PolkitAuthorizerTest, DenialNoAgentAndDismissalAreFinalAnswers) {
    for (int status : {1, 2, 3, 126}) {
        FakePkcheck pkcheck("exit " + std::to_string(status));
        PolkitAuthorizer authorizer(pkcheck.path());
        EXPECT_FALSE(authorizer.authorizeAdmin(PROMPT)) << "status " << status;
        EXPECT_EQ(pkcheck.calls().size(), 1u) << "asked again after status " << status;
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

TEST(PolkitAuthorizerTest, ErrorWithoutThePromptIsDenied) {
    FakePkcheck pkcheck("exit 127");
    EXPECT_FALSE(PolkitAuthorizer(pkcheck.path()).authorizeAdmin(PROMPT));
    EXPECT_EQ(pkcheck.calls().size(), 2u);
}

TEST(PolkitAuthorizerTest, MissingOrKilledPkcheckIsDenied) {
    QTemporaryDir dir;
    EXPECT_FALSE(PolkitAuthorizer(dir.filePath("pkcheck").toStdString()).authorizeAdmin(PROMPT));
    EXPECT_FALSE(PolkitAuthorizer("").authorizeAdmin(PROMPT));

    FakePkcheck killed("kill -KILL $$");
    EXPECT_FALSE(PolkitAuthorizer(killed.path()).authorizeAdmin(PROMPT));
}

}  // namespace
}  // namespace tarvex
