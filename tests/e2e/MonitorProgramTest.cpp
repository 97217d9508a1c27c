// The real tarvex-monitor program, headless, against the real helper: it polls on its own, and
// the tool's own record of its runs shows it.

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QProcess>
#include <QProcessEnvironment>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "monitor/controller/MonitorMain.h"
#include "tests/e2e/EndToEndHarness.h"

namespace tarvex::testing {
namespace {

namespace fs = std::filesystem;

class MonitorProgramTest : public EndToEndTest {
protected:
    void SetUp() override {
        EndToEndTest::SetUp();
        if (HasFatalFailure()) {
            return;
        }
        // A stand-in at the tool's path notes every command and hands over to the real tool,
        // which still finds its installation from where it lies.
        const std::string tool = toolRoot() + "/bin/tarvexctl";
        fs::rename(tool, tool + ".real");
        writeFile(tool, "#!/bin/sh\nprintf '%s\\n' \"$*\" >>'" + requestLog() + "'\n" +
                            "exec \"${0%/*}/tarvexctl.real\" \"$@\"\n");
        ASSERT_EQ(chmod(tool.c_str(), 0755), 0);
    }

    std::string requestLog() const { return prefix_ + "/requests.log"; }

    std::vector<std::string> toolRuns() const {
        std::ifstream in(requestLog());
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);) {
            lines.push_back(line);
        }
        return lines;
    }

    long statusRuns() const {
        const auto runs = toolRuns();
        return std::count(runs.begin(), runs.end(), "status");
    }

    void startMonitor(QProcess& monitor, const QStringList& extraArguments = {},
                      const QString& language = {}) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        if (!language.isEmpty()) {
            environment.insert(QStringLiteral("LC_ALL"), language);
        }
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        // Its own runtime folder: the single-instance channel lives there.
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), QString::fromStdString(temp_.path()));
        monitor.setProcessEnvironment(environment);
        QStringList arguments{QStringLiteral("--prefix"), QString::fromStdString(prefix_),
                              QStringLiteral("--socket"), QString::fromStdString(socketPath_)};
        monitor.start(QStringLiteral(TARVEX_MONITOR_BINARY), arguments + extraArguments);
        ASSERT_TRUE(monitor.waitForStarted(10000));
    }

    // The single-instance channel of a monitor started by startMonitor().
    std::string reopenChannel() const {
        return reopenChannelName(static_cast<unsigned>(getuid()), prefix_, temp_.path());
    }

    // A quit signal ends the program like "Quit Monitor": status 0, channel removed.
    void expectCleanExit(QProcess& monitor) {
        ASSERT_TRUE(monitor.waitForFinished(15000));
        EXPECT_EQ(monitor.exitStatus(), QProcess::NormalExit)
            << "ended by signal " << monitor.exitCode();
        EXPECT_EQ(monitor.exitCode(), 0) << monitor.readAllStandardError().toStdString();
        EXPECT_FALSE(fs::exists(reopenChannel())) << "the reopen channel was left behind";
    }

    // Runs the program with `arguments` to its end.
    struct Finished {
        int code = -1;
        std::string out;
        std::string err;
    };
    Finished runToEnd(const QStringList& arguments, const QString& language = {}) {
        QProcess monitor;
        startMonitor(monitor, arguments, language);
        Finished result;
        if (!monitor.waitForFinished(20000)) {
            ADD_FAILURE() << "still running after " << arguments.join(' ').toStdString();
            return result;
        }
        result.code = monitor.exitStatus() == QProcess::NormalExit ? monitor.exitCode() : -1;
        result.out = monitor.readAllStandardOutput().toStdString();
        result.err = monitor.readAllStandardError().toStdString();
        return result;
    }
};

TEST_F(MonitorProgramTest, PollsTheHelperEverySecondWhileStartingAndEndsOnSigterm) {
    // Held in "starting" by the tool's standing clock: the monitor should poll every second.
    ASSERT_TRUE(askHelper("start").success);

    QProcess monitor;
    startMonitor(monitor, {QStringLiteral("--demo")});
    // Four polls: the first at launch, then one a second (at the stable ten seconds this
    // would take half a minute).
    EXPECT_TRUE(waitUntil([this] { return statusRuns() >= 4; }, 15000))
        << "status runs seen: " << statusRuns();
    EXPECT_EQ(monitor.state(), QProcess::Running) << monitor.readAllStandardError().toStdString();

    // On its own the monitor asks for nothing but the status.
    const std::vector<std::string> runs = toolRuns();
    for (const std::string& run : runs) {
        EXPECT_TRUE(run == "status" || run == "start") << run;
    }
    EXPECT_EQ(std::count(runs.begin(), runs.end(), "start"), 1);

    EXPECT_TRUE(fs::exists(reopenChannel()));
    monitor.terminate();
    expectCleanExit(monitor);
}

TEST_F(MonitorProgramTest, EndsCleanlyOnSigint) {
    QProcess monitor;
    startMonitor(monitor);
    ASSERT_TRUE(waitUntil([this] { return statusRuns() >= 1; }, 15000));
    ASSERT_TRUE(fs::exists(reopenChannel()));
    ASSERT_EQ(::kill(static_cast<pid_t>(monitor.processId()), SIGINT), 0);
    expectCleanExit(monitor);
}

TEST_F(MonitorProgramTest, ASecondStartLeavesAtOnceAndAKilledOnesChannelIsTakenOver) {
    QProcess first;
    startMonitor(first);
    ASSERT_TRUE(waitUntil([this] { return statusRuns() >= 1; }, 15000));

    QProcess second;
    startMonitor(second);
    ASSERT_TRUE(second.waitForFinished(20000));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_EQ(first.state(), QProcess::Running);

    // Killed, the first leaves its channel behind; the next start must not mistake it for a
    // running monitor.
    first.kill();
    ASSERT_TRUE(first.waitForFinished(15000));
    const long before = statusRuns();
    QProcess third;
    startMonitor(third);
    EXPECT_TRUE(waitUntil([&] { return statusRuns() > before; }, 15000));
    EXPECT_EQ(third.state(), QProcess::Running);
    third.terminate();
    EXPECT_TRUE(third.waitForFinished(15000));
}

TEST_F(MonitorProgramTest, TwoStartedAtTheSameMomentLeaveExactlyOneRunning) {
    QProcess first;
    QProcess second;
    startMonitor(first);
    startMonitor(second);
    ASSERT_TRUE(waitUntil(
        [&] {
            return first.state() == QProcess::NotRunning || second.state() == QProcess::NotRunning;
        },
        20000));
    QProcess& left = first.state() == QProcess::NotRunning ? first : second;
    QProcess& stayed = &left == &first ? second : first;
    EXPECT_EQ(left.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(left.exitCode(), 0);
    EXPECT_FALSE(stayed.waitForFinished(1000)) << "both left";
    EXPECT_EQ(stayed.state(), QProcess::Running);
    stayed.terminate();
    expectCleanExit(stayed);
}

TEST_F(MonitorProgramTest, AnswersHelpVersionAndBadOptionsWithoutPolling) {
    const Finished help = runToEnd({QStringLiteral("--help")});
    EXPECT_EQ(help.code, 0);
    for (const char* option : {"--prefix <dir>", "--socket <path>", "--demo", "--version"}) {
        EXPECT_NE(help.out.find(option), std::string::npos) << option << " in " << help.out;
    }
    // The user's language, from the locale.
    const Finished german = runToEnd({QStringLiteral("--help")}, QStringLiteral("de_DE.UTF-8"));
    EXPECT_NE(german.out.find("Den Hilfsdienst unter <pfad> ansprechen."), std::string::npos)
        << german.out;

    // Qt's own options go to Qt instead of being refused.
    const Finished version =
        runToEnd({QStringLiteral("-style"), QStringLiteral("Fusion"), QStringLiteral("-platform"),
                  QStringLiteral("offscreen"), QStringLiteral("--version")});
    EXPECT_EQ(version.code, 0) << version.err;
    EXPECT_EQ(version.out, "tarvex Monitor 1.0.0\n");

    const Finished bad = runToEnd({QStringLiteral("--no-such-option")});
    EXPECT_EQ(bad.code, 2);
    EXPECT_NE(bad.err.find("no-such-option"), std::string::npos) << bad.err;
    EXPECT_NE(bad.err.find("--prefix <dir>"), std::string::npos) << "and the help follows";

    EXPECT_TRUE(toolRuns().empty()) << "the tool ran " << toolRuns().size() << " time(s)";
}

}  // namespace
}  // namespace tarvex::testing
