// The real helper run as root against a real polkitd, asked by a second account. polkitd, its
// rules and actions and the system bus it answers on all live in a private mount namespace, so
// the machine's own polkit set-up is neither read nor touched. Needs root; skips otherwise and
// where the machine cannot make a mount namespace.
#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <pty.h>
#include <pwd.h>
#include <sched.h>
#include <signal.h>
#include <spawn.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <memory>
#include <mutex>
#include <sstream>
#include <thread>

#include "tests/helper/AccountClient.h"
#include "tests/helper/FakeTool.h"
#include "tests/helper/HelperLauncher.h"
#include "tests/helper/RawClient.h"

extern char** environ;

namespace tarvex {
namespace {

namespace fs = std::filesystem;
using testing::askAs;
using testing::readFile;
using testing::UNPRIVILEGED_UID;
using testing::writeFile;

constexpr const char* MANAGE = "com.tarvex.monitor.manage";
constexpr const char* BOOT = "com.tarvex.monitor.boot";
constexpr const char* RULE_FILE = "/etc/polkit-1/rules.d/50-tarvex-test.rules";
constexpr std::string_view PASSWORD = "typed-in-the-dialog";

// A system bus that lets everyone own and call everything: it only ever carries this test.
constexpr const char* BUS_CONFIG = R"(<!DOCTYPE busconfig PUBLIC
 "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>system</type>
  <listen>unix:path=/run/dbus/system_bus_socket</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow user="*"/>
    <allow own="*"/>
    <allow send_destination="*" eavesdrop="false"/>
    <allow receive_sender="*"/>
  </policy>
</busconfig>
)";

pid_t spawn(const std::vector<std::string>& args, const std::string& logPath) {
    std::vector<char*> argv;
    for (const std::string& arg : args) {
        argv.push_back(const_cast<char*>(arg.c_str()));
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, logPath.c_str(),
                                     O_WRONLY | O_CREAT | O_APPEND, 0644);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
        pid = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

int runToEnd(const std::vector<std::string>& args, const std::string& logPath) {
    const pid_t pid = spawn(args, logPath);
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) != pid) {
        return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void stop(pid_t& pid) {
    if (pid > 0) {
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
        pid = -1;
    }
}

// polkit's text agent on a terminal of its own, registered for one process, standing in for
// the desktop's dialog: it keeps what the agent shows and types the password at each prompt.
class TextAgent {
public:
    explicit TextAgent(pid_t subject) {
        int registered[2];
        pid_ = pipe(registered) == 0 ? forkpty(&terminal_, nullptr, nullptr, nullptr) : -1;
        if (pid_ == 0) {
            const std::string process = "--process=" + std::to_string(subject);
            const std::string notify = "--notify-fd=" + std::to_string(registered[1]);
            execl("/usr/bin/pkttyagent", "pkttyagent", process.c_str(), notify.c_str(), nullptr);
            _exit(127);
        }
        close(registered[1]);
        char ignored = 0;  // the agent closes its end once polkitd has it, or when it fails
        ready_ = pid_ > 0 && read(registered[0], &ignored, 1) == 0 && kill(pid_, 0) == 0;
        close(registered[0]);
        reader_ = std::thread([this] { answerPrompts(); });
    }
    ~TextAgent() {
        if (pid_ > 0) {  // never kill(-1): that would reach every process
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
        reader_.join();
        close(terminal_);
    }
    bool ready() const { return ready_; }
    std::string shown() {
        std::lock_guard lock(mutex_);
        return shown_;
    }

private:
    void answerPrompts() {
        char buffer[4096];
        for (ssize_t n; (n = read(terminal_, buffer, sizeof buffer)) > 0;) {
            std::lock_guard lock(mutex_);
            shown_.append(buffer, static_cast<std::size_t>(n));
            // The agent turns echo off before it reads, dropping whatever came earlier.
            if (shown_.ends_with("Password: ") && testing::eventually([&] {
                    termios mode{};
                    return tcgetattr(terminal_, &mode) == 0 && (mode.c_lflag & ECHO) == 0;
                })) {
                const std::string line = std::string(PASSWORD) + "\n";
                (void)!write(terminal_, line.data(), line.size());
            }
        }
    }

    pid_t pid_ = -1;
    int terminal_ = -1;
    bool ready_ = false;
    std::thread reader_;
    std::mutex mutex_;
    std::string shown_;
};

class HelperPolkitTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!testing::runningAsRoot()) {
            GTEST_SKIP() << "needs root: it mounts over polkit's folders in a private namespace";
        }
        if (unshare(CLONE_NEWNS) != 0) {
            GTEST_SKIP() << "this machine cannot make a mount namespace: " << std::strerror(errno);
        }
        ASSERT_EQ(mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr), 0);
        for (const char* folder : {"/etc/polkit-1/rules.d", "/usr/share/polkit-1/actions",
                                   "/usr/share/polkit-1/rules.d", "/run/dbus", "/etc/pam.d"}) {
            fs::create_directories(folder);
            ASSERT_EQ(mount("tmpfs", folder, "tmpfs", 0, "mode=0755"), 0) << folder;
        }
        const std::string policy = readFile(TARVEX_POLICY_FILE);
        // The packaged policy as installed, which must hold both actions.
        ASSERT_NE(policy.find(MANAGE), std::string::npos) << TARVEX_POLICY_FILE;
        ASSERT_NE(policy.find(BOOT), std::string::npos) << TARVEX_POLICY_FILE;
        writeFile("/usr/share/polkit-1/actions/com.tarvex.monitor.policy", policy);

        ASSERT_EQ(chmod(tool.prefix().c_str(), 0755), 0);
        // The password dialog's check: one fixed password, whoever is asked for it.
        writeFile(tool.path("check-password"),
                  "#!/bin/sh\n[ \"$(tr -d '\\000')\" = " + std::string(PASSWORD) + " ]\n");
        ASSERT_EQ(chmod(tool.path("check-password").c_str(), 0755), 0);
        writeFile("/etc/pam.d/polkit-1", "auth required pam_exec.so expose_authtok quiet " +
                                             tool.path("check-password") +
                                             "\naccount required pam_permit.so\n");
        log = tool.path("daemons.log");
        writeFile(tool.path("bus.conf"), BUS_CONFIG);
        bus = spawn({"/usr/bin/dbus-daemon", "--config-file=" + tool.path("bus.conf"), "--nofork",
                     "--nopidfile"},
                    log);
        ASSERT_TRUE(testing::eventually([] { return fs::exists("/run/dbus/system_bus_socket"); }))
            << tool.read("daemons.log");
        ASSERT_TRUE(fs::exists(POLKITD)) << POLKITD << " is missing: run scripts/bootstrap";
        ASSERT_NE(getpwuid(UNPRIVILEGED_UID), nullptr) << "no account has uid " << UNPRIVILEGED_UID;
        polkitd = spawn({POLKITD, "--no-debug"}, log);
        ASSERT_TRUE(testing::eventually([&] { return pkcheck(MANAGE, getpid()) == 0; }))
            << "polkitd did not answer for root: " << tool.read("daemons.log");

        // The subject polkit is asked about must be alive while it is checked.
        subject = fork();
        if (subject == 0) {
            if (setgroups(0, nullptr) == 0 &&
                setresgid(UNPRIVILEGED_UID, UNPRIVILEGED_UID, UNPRIVILEGED_UID) == 0 &&
                setresuid(UNPRIVILEGED_UID, UNPRIVILEGED_UID, UNPRIVILEGED_UID) == 0) {
                pause();
            }
            _exit(1);
        }
        socketPath = tool.path("helper.socket");
        tool.writeRecording("echo \"did $1\"");
        ASSERT_TRUE(helper.start({"--prefix", tool.prefix(), "--socket", socketPath},
                                 testing::HelperLauncher::Socket::bound, socketPath))
            << helper.errors();
    }

    void TearDown() override {
        if (helper.pid() > 0) {
            EXPECT_EQ(helper.finish(SIGTERM), 0) << helper.errors();
        }
        if (subject > 0) {
            kill(subject, SIGKILL);
            waitpid(subject, nullptr, 0);
        }
        stop(polkitd);
        stop(bus);
    }

    int pkcheck(const char* action, pid_t pid) {
        return runToEnd(
            {"/usr/bin/pkcheck", "--action-id", action, "--process", std::to_string(pid)}, log);
    }

    // Replaces the rules and waits until polkitd has picked them up: answers whether pkcheck
    // came to say `manage` and `boot` (true: authorized) for the other account.
    bool grant(const std::string& rules, bool manage, bool boot) {
        writeFile(RULE_FILE, rules);
        return testing::eventually([&] {
            return (pkcheck(MANAGE, subject) == 0) == manage &&
                   (pkcheck(BOOT, subject) == 0) == boot;
        });
    }

    testing::FakeTool tool;
    testing::HelperLauncher helper;
    std::string socketPath;
    std::string log;
    pid_t bus = -1;
    pid_t polkitd = -1;
    pid_t subject = -1;
};

// polkit rules name accounts, not uids.
std::string grantRule(const char* action) {
    const passwd* account = getpwuid(UNPRIVILEGED_UID);
    std::ostringstream rule;
    rule << "polkit.addRule(function(action, subject) {\n"
         << "  if (action.id == \"" << action << "\" && subject.user == \""
         << (account != nullptr ? account->pw_name : "?") << "\")\n"
         << "    return polkit.Result.YES;\n"
         << "});\n";
    return rule.str();
}

TEST_F(HelperPolkitTest, EachActionFollowsItsOwnRule) {
    struct Case {
        const char* name;
        std::string rules;
        bool manage;
        bool boot;
    };
    const Case cases[] = {
        {"no rule", "", false, false},
        {"manage granted", grantRule(MANAGE), true, false},
        {"boot granted", grantRule(BOOT), false, true},
        {"both granted", grantRule(MANAGE) + grantRule(BOOT), true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(grant(c.rules, c.manage, c.boot)) << "pkcheck never agreed with the rules";
        fs::remove(tool.path("runs"));
        std::string runs;
        for (const auto& [command, granted] :
             {std::pair<std::string, bool>{"start", c.manage}, {"enable-boot", c.boot}}) {
            const HelperReply reply = askAs(UNPRIVILEGED_UID, socketPath, command);
            if (granted) {
                EXPECT_EQ(reply, (HelperReply{true, "did " + command + "\n"}));
                runs += command + "\n";
            } else {
                // Nobody is there to ask for the password the defaults call for.
                EXPECT_EQ(reply, (HelperReply{false, "Not authorized: " + command +
                                                         " (no authentication agent)"}));
            }
        }
        EXPECT_EQ(tool.read("runs"), runs);
    }
}

TEST_F(HelperPolkitTest, OnePromptInTheOperationsWordsThenTheKeptAnswerCoversTheNext) {
    ASSERT_TRUE(grant("", false, false));
    std::unique_ptr<TextAgent> agent;
    const std::vector<HelperReply> replies =
        askAs(UNPRIVILEGED_UID, socketPath, {{"start", {}}, {"stop", {}}},
              [&](pid_t monitor) { agent = std::make_unique<TextAgent>(monitor); });
    ASSERT_TRUE(agent->ready()) << tool.read("daemons.log");
    EXPECT_EQ(replies, (std::vector<HelperReply>{{true, "did start\n"}, {true, "did stop\n"}}));
    const std::string shown = agent->shown();
    const auto prompt = shown.find("AUTHENTICATING FOR");
    EXPECT_NE(prompt, std::string::npos) << shown;
    EXPECT_EQ(shown.find("AUTHENTICATING FOR", prompt + 1), std::string::npos) << shown;
    EXPECT_NE(shown.find("tarvex Monitor needs your password to start the database service."),
              std::string::npos)
        << shown;
    EXPECT_EQ(tool.read("runs"), "start\nstop\n");
}

TEST_F(HelperPolkitTest, NoAnswerFromPolkitIsARefusalThatSaysSo) {
    ASSERT_TRUE(grant(grantRule(MANAGE), true, false));
    stop(polkitd);
    EXPECT_EQ(askAs(UNPRIVILEGED_UID, socketPath, "start"),
              (HelperReply{false, "Not authorized: start (authorization unavailable)"}));
    EXPECT_EQ(tool.read("runs"), "");
}

}  // namespace
}  // namespace tarvex
