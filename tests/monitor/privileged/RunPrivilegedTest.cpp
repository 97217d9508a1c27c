#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTest>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "monitor/privileged/HelperClient.h"
#include "monitor/privileged/SystemLog.h"
#include "shared/base/FixedPaths.h"
#include "tests/monitor/privileged/FakeHelperServer.h"
#include "tests/monitor/privileged/QtTestSupport.h"
#include "tests/support/SilentListener.h"

namespace tarvex {
namespace {

using testing::FakeHelperServer;

struct Answer {
    bool success = false;
    std::string output;
    bool onMainThread = false;
};

// Collects completions as they arrive on the main thread.
class Completions {
public:
    HelperAnswerHandler make(std::string tag = "") {
        return [this, tag](const HelperAnswer& answer) {
            const bool main = QThread::currentThread() == QCoreApplication::instance()->thread();
            answers.push_back({answer.success, answer.output.toStdString(), main});
            tags.push_back(tag);
        };
    }

    std::vector<Answer> answers;
    std::vector<std::string> tags;
};

// Lets a test hold the fake helper's answer back until it chooses to release it.
class Gate {
public:
    void open() {
        std::lock_guard lock(mutex_);
        open_ = true;
        changed_.notify_all();
    }
    void waitOpen() {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return open_; });
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool open_ = false;
};

class RunPrivilegedTest : public testing::QtAppTest {
protected:
    void SetUp() override {
        QtAppTest::SetUp();
        overrideHelperSocketPath(temp_ / "helper.socket");
        previousSink_ = replaceSystemLogSink([this](std::string_view line) {
            std::lock_guard lock(logMutex_);
            logLines_.emplace_back(line);
        });
    }
    void TearDown() override {
        replaceSystemLogSink(previousSink_);
        QtAppTest::TearDown();
    }

    std::unique_ptr<FakeHelperServer> serve(FakeHelperServer::Handler handler) {
        auto server = std::make_unique<FakeHelperServer>(HELPER_SOCKET_PATH, std::move(handler));
        EXPECT_TRUE(server->listening());
        return server;
    }

    std::vector<std::string> logLines() {
        std::lock_guard lock(logMutex_);
        return logLines_;
    }

    // Runs the event loop once more so that a second, wrongly queued completion would show.
    static void drainEvents() { QCoreApplication::processEvents(); }

    Completions completions_;
    HelperRunner runner_;

private:
    SystemLogSink previousSink_;
    std::mutex logMutex_;
    std::vector<std::string> logLines_;
};

TEST_F(RunPrivilegedTest, HelperReplyArrivesOnceOnMainThreadUnchangedAfterTheCallReturned) {
    auto server = serve([](const HelperRequest&) {
        return HelperReply{true, "Status: active\nport 7301\n"};
    });

    runner_.runPrivileged(QStringLiteral("status"), completions_.make());
    EXPECT_TRUE(completions_.answers.empty()) << "answered from inside runPrivileged";

    ASSERT_TRUE(QTest::qWaitFor([&] { return !completions_.answers.empty(); }, 10000));
    drainEvents();
    ASSERT_EQ(completions_.answers.size(), 1u);
    const Answer& answer = completions_.answers.front();
    EXPECT_TRUE(answer.success);
    EXPECT_EQ(answer.output, "Status: active\nport 7301\n");
    EXPECT_TRUE(answer.onMainThread);

    const std::vector<HelperRequest> sent = server->requests();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent.front(), (HelperRequest{"status", {}}));
    EXPECT_TRUE(logLines().empty());
}

TEST_F(RunPrivilegedTest, HelperRunnerPassesFailureAndNonAsciiOutputThrough) {
    const std::string output = "Command not allowed: St\xC3\xA4tus\n";
    auto server = serve([&](const HelperRequest&) { return HelperReply{false, output}; });

    runner_.runPrivileged(QString::fromUtf8("St\xC3\xA4tus"), completions_.make());
    EXPECT_TRUE(completions_.answers.empty());

    ASSERT_TRUE(QTest::qWaitFor([&] { return !completions_.answers.empty(); }, 10000));
    drainEvents();
    ASSERT_EQ(completions_.answers.size(), 1u);
    EXPECT_FALSE(completions_.answers.front().success);
    EXPECT_EQ(completions_.answers.front().output, output);
    EXPECT_EQ(server->requests().front().command, "St\xC3\xA4tus");
}

TEST_F(RunPrivilegedTest, NoHelperAnswersCannotConnectLaterOnMainThread) {
    // Nothing listens on the socket path.
    runner_.runPrivileged(QStringLiteral("start"), completions_.make());
    EXPECT_TRUE(completions_.answers.empty()) << "answered from inside runPrivileged";

    ASSERT_TRUE(QTest::qWaitFor([&] { return !completions_.answers.empty(); }, 10000));
    drainEvents();
    ASSERT_EQ(completions_.answers.size(), 1u);
    EXPECT_FALSE(completions_.answers.front().success);
    EXPECT_EQ(completions_.answers.front().output, "Cannot connect to helper service");
    EXPECT_TRUE(completions_.answers.front().onMainThread);
    EXPECT_TRUE(logLines().empty());
}

TEST_F(RunPrivilegedTest, ConnectionClosedMidRequestIsLoggedAndAnsweredOnce) {
    auto server = serve([](const HelperRequest&) { return std::nullopt; });

    runner_.runPrivileged(QStringLiteral("stop"), completions_.make());
    EXPECT_TRUE(completions_.answers.empty());

    ASSERT_TRUE(QTest::qWaitFor([&] { return !completions_.answers.empty(); }, 10000));
    drainEvents();
    ASSERT_EQ(completions_.answers.size(), 1u);
    EXPECT_FALSE(completions_.answers.front().success);
    EXPECT_EQ(completions_.answers.front().output, "Connection to helper service lost");
    EXPECT_TRUE(completions_.answers.front().onMainThread);

    const std::vector<std::string> lines = logLines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines.front().rfind("XPC error: ", 0), 0u) << lines.front();
    EXPECT_GT(lines.front().size(), std::string_view("XPC error: ").size());
}

TEST_F(RunPrivilegedTest, RequestsInFlightTogetherCompleteInEitherOrderEachOnce) {
    Gate releaseStart;
    auto server = serve([&](const HelperRequest& request) {
        if (request.command == "start") {
            releaseStart.waitOpen();  // answered only after "stop" has been
        }
        return HelperReply{true, request.command + " done"};
    });

    auto stopCompletion = completions_.make("stop");
    HelperAnswerHandler openGateAfterStop = [&](HelperAnswer answer) {
        stopCompletion(std::move(answer));
        releaseStart.open();
    };
    runner_.runPrivileged(QStringLiteral("start"), completions_.make("start"));
    runner_.runPrivileged(QStringLiteral("stop"), openGateAfterStop);

    const bool both = QTest::qWaitFor([&] { return completions_.answers.size() >= 2; }, 10000);
    releaseStart.open();  // never leave the server blocked, whatever happened
    ASSERT_TRUE(both);
    drainEvents();
    ASSERT_EQ(completions_.tags, (std::vector<std::string>{"stop", "start"}));
    EXPECT_EQ(completions_.answers[0].output, "stop done");
    EXPECT_EQ(completions_.answers[1].output, "start done");
    EXPECT_TRUE(completions_.answers[0].onMainThread && completions_.answers[1].onMainThread);
}

// Why the helper could not be reached travels with the unchanged text. A listener whose
// backlog is full never accepts: the connect gives up after its deadline instead of waiting.
TEST_F(RunPrivilegedTest, UnreachableHelperSaysWhyBesideCannotConnect) {
    struct Case {
        const char* name;
        bool fullBacklog;
        HelperFault fault;
    };
    for (const Case& c : {Case{"no socket", false, HelperFault::noSocket},
                          Case{"full backlog", true, HelperFault::noAnswer}}) {
        SCOPED_TRACE(c.name);
        std::unique_ptr<testing::SilentListener> listener;
        if (c.fullBacklog) {
            listener = std::make_unique<testing::SilentListener>(HELPER_SOCKET_PATH, true);
            ASSERT_TRUE(listener->ready());
        }
        std::optional<HelperAnswer> answer;
        runner_.runPrivileged(QStringLiteral("status"),
                              [&](HelperAnswer a) { answer = std::move(a); });
        ASSERT_TRUE(QTest::qWaitFor([&] { return answer.has_value(); },
                                    HELPER_CONNECT_TIMEOUT.count() + 5000));
        EXPECT_FALSE(answer->success);
        EXPECT_EQ(answer->output, "Cannot connect to helper service");
        EXPECT_EQ(answer->fault, c.fault);
    }
}

// The application object is destroyed while the helper still works on the request: the late
// reply must be dropped quietly, and the completion released without being run.
TEST_F(RunPrivilegedTest, LateReplyAfterApplicationIsGoneIsDroppedWithoutCrash) {
    Gate releaseReply;
    std::atomic<bool> requestHeld = false;
    auto server = serve([&](const HelperRequest&) {
        requestHeld = true;
        releaseReply.waitOpen();
        return HelperReply{true, "late"};
    });

    struct ReleaseSignal {
        bool* released;
        ~ReleaseSignal() { *released = true; }
    };
    bool released = false;
    auto signal = std::make_shared<ReleaseSignal>(ReleaseSignal{&released});
    bool ran = false;
    runner_.runPrivileged(QStringLiteral("status"), [&ran, signal](HelperAnswer) { ran = true; });
    signal.reset();

    const bool held = QTest::qWaitFor([&] { return requestHeld.load(); }, 10000);
    destroyApplication();
    releaseReply.open();

    ASSERT_TRUE(held);
    EXPECT_TRUE(released);
    EXPECT_FALSE(ran);
}

}  // namespace
}  // namespace tarvex
