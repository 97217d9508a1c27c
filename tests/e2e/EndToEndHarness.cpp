#include "tests/e2e/EndToEndHarness.h"

#include <signal.h>

#include <QAction>
#include <QProcess>
#include <QTest>

#include <cstdlib>
#include <fstream>

#include "monitor/host/Installation.h"
#include "tests/support/HelperSocket.h"
#include "tests/support/MonitorProbes.h"
#include "tests/support/TestApplication.h"

namespace tarvex::testing {

// --- RecordingRunner ---

void RecordingRunner::runPrivileged(const QString& command, HelperAnswerHandler completion) {
    record_->exchanges.push_back(Exchange{command.toStdString(), false, false, ""});
    const std::size_t index = record_->exchanges.size() - 1;
    real_.runPrivileged(command, [record = record_, index,
                                  completion = std::move(completion)](HelperAnswer answer) {
        Exchange& exchange = record->exchanges[index];
        exchange.answered = true;
        exchange.success = answer.success;
        exchange.output = answer.output.toStdString();
        completion(std::move(answer));
    });
}

int RecordingRunner::outstanding() const {
    int count = 0;
    for (const Exchange& exchange : record_->exchanges) {
        count += exchange.answered ? 0 : 1;
    }
    return count;
}

std::vector<std::string> RecordingRunner::commands() const {
    std::vector<std::string> names;
    for (const Exchange& exchange : record_->exchanges) {
        names.push_back(exchange.command);
    }
    return names;
}

std::vector<RecordingRunner::Exchange> RecordingRunner::answersTo(
    const std::string& command) const {
    std::vector<Exchange> found;
    for (const Exchange& exchange : record_->exchanges) {
        if (exchange.answered && exchange.command == command) {
            found.push_back(exchange);
        }
    }
    return found;
}

// --- EndToEndTest ---

void EndToEndTest::SetUp() {
    ensureTestApplication();
    ASSERT_TRUE(temp_.valid());
    prefix_ = temp_ / "prefix";
    socketPath_ = temp_ / "helper.sock";

    QProcess makePrefix;
    makePrefix.start(QStringLiteral(TARVEX_MAKE_PREFIX),
                     {QString::fromStdString(prefix_), QStringLiteral("--app")});
    ASSERT_TRUE(makePrefix.waitForFinished(30000));
    ASSERT_EQ(makePrefix.exitCode(), 0) << makePrefix.readAllStandardError().toStdString();

    ASSERT_TRUE(startHelper()) << helper_.errors();
    relocateInstallation(prefix_);
    overrideHelperSocketPath(socketPath_);
}

void EndToEndTest::TearDown() {
    // The completions in flight refer to the fakes: let them land before the fakes go.
    EXPECT_TRUE(waitUntilIdle()) << "requests still unanswered: " << runner.outstanding();
    app.reset();
    stopHelper();
    relocateInstallation("");
}

void EndToEndTest::addFault(const std::string& line) {
    std::ofstream faults(simFile("faults"), std::ios::app);
    faults << line << "\n";
    ASSERT_TRUE(faults.good());
}

bool EndToEndTest::startHelper() {
    std::ofstream(simFile("now_ms"), std::ios::trunc) << toolNowMs_ << "\n";
    return helper_.start({"--prefix", prefix_, "--socket", socketPath_},
                         HelperLauncher::Socket::bound, socketPath_);
}

void EndToEndTest::stopHelper() {
    if (helper_.pid() > 0) {
        EXPECT_EQ(helper_.finish(SIGTERM), 0) << helper_.errors();
    }
}

void EndToEndTest::advanceToolClock(long long milliseconds) {
    ASSERT_EQ(runner.outstanding(), 0) << "a restart would cut a request off";
    stopHelper();
    toolNowMs_ += milliseconds;
    ASSERT_TRUE(startHelper()) << helper_.errors();
}

HelperReply EndToEndTest::askHelper(const std::string& command) {
    std::string error;
    const int fd = connectToHelper(socketPath_, error);
    if (fd < 0) {
        return HelperReply{false, "cannot connect: " + error};
    }
    HelperExchange exchange = exchangeWithHelper(fd, HelperRequest{command, {}}, 30000);
    if (!exchange.replied) {
        return HelperReply{false, "no reply: " + exchange.error};
    }
    return exchange.reply;
}

TarvexMenuBarApp& EndToEndTest::launch() {
    app = std::make_unique<TarvexMenuBarApp>(seamsWith(runner));
    app->applicationDidFinishLaunching();
    EXPECT_TRUE(waitUntilIdle());
    return *app;
}

bool EndToEndTest::waitUntil(const std::function<bool()>& done, int deadlineMs) {
    return QTest::qWaitFor(done, deadlineMs);
}

bool EndToEndTest::waitUntilIdle() {
    return waitUntil([this] { return runner.outstanding() == 0; });
}

void EndToEndTest::poll() {
    ASSERT_EQ(runner.outstanding(), 0);
    ASSERT_NE(app, nullptr);
    const std::size_t before = runner.answersTo("status").size();
    fire(statusTimer(*app));
    ASSERT_TRUE(waitUntilIdle());
    ASSERT_GT(runner.answersTo("status").size(), before) << "the timer sent no status request";
}

std::string EndToEndTest::statusLine() const {
    return statusMenuItem(*app)->text().toStdString();
}

}  // namespace tarvex::testing
