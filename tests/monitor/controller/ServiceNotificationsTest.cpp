#include <gtest/gtest.h>

#include "monitor/controller/ServiceNotifications.h"
#include "tests/monitor/controller/ControllerHarness.h"

namespace tarvex::testing {
namespace {

class ServiceNotificationsTest : public ::testing::Test {
protected:
    void answer(const char* report, bool operationInProgress = false) {
        notifications.statusApplied(TarvexStatus::parse(report), true, operationInProgress);
    }
    std::vector<std::string> summaries() const {
        std::vector<std::string> out;
        for (const auto& sent : notifier.sent) {
            out.push_back(sent.summary);
        }
        return out;
    }

    FakeNotifier notifier;
    ServiceNotifications notifications{notifier};
};

TEST_F(ServiceNotificationsTest, FirstAnswerAfterLaunchOnlySetsTheBaseline) {
    answer(STOPPED_REPORT);
    answer(ACTIVE_REPORT);
    answer(ACTIVE_REPORT);
    EXPECT_TRUE(notifier.sent.empty());
}

TEST_F(ServiceNotificationsTest, ActiveServiceThatStopsOnItsOwnIsReportedOnce) {
    for (const char* after : {STOPPED_REPORT, STOPPING_REPORT, STARTING_REPORT}) {
        notifier.sent.clear();
        answer(ACTIVE_REPORT);
        answer(after);
        answer(after);
        ASSERT_EQ(summaries(), std::vector<std::string>{"tarvex stopped"}) << after;
        EXPECT_EQ(notifier.sent[0].urgency, NotificationUrgency::critical);
        EXPECT_NE(notifier.sent[0].body.find(TarvexStatus::parse(after).summary()),
                  std::string::npos);
    }
}

TEST_F(ServiceNotificationsTest, OurOwnOperationsAndAnUnreachableHelperAreNotUnexpectedStops) {
    answer(ACTIVE_REPORT);
    answer(STOPPING_REPORT, true);  // answered while our stop runs
    answer(STOPPED_REPORT);
    answer(ACTIVE_REPORT);
    notifications.operationFinished(ServiceOperation::stop, true);
    answer(STOPPED_REPORT);
    answer(ACTIVE_REPORT);
    notifications.statusApplied(TarvexStatus{}, false, false);
    answer(STOPPED_REPORT);
    EXPECT_EQ(summaries(), std::vector<std::string>{"tarvex stopped"});
    EXPECT_EQ(notifier.sent[0].urgency, NotificationUrgency::normal) << "the stop we asked for";
}

TEST_F(ServiceNotificationsTest, EachOperationIsToldOnceTheServiceIsSeenWhereItWasSent) {
    using enum ServiceOperation;
    struct Case {
        ServiceOperation operation;
        bool success;
        std::vector<const char*> answers;  // after the reply
        const char* summary;
    };
    const Case cases[] = {
        {start, true, {STARTING_REPORT, ACTIVE_REPORT}, "tarvex started"},
        {start, true, {STARTING_REPORT, STOPPED_REPORT}, "Start Failed"},
        {stop, true, {STOPPING_REPORT, STOPPED_REPORT}, "tarvex stopped"},
        {stop, true, {ACTIVE_REPORT}, "Stop Failed"},
        {restart, true, {STARTING_REPORT, ACTIVE_REPORT}, "tarvex restarted"},
        {start, false, {}, "Start Failed"},
        {stop, false, {}, "Stop Failed"},
        {restart, false, {}, "Restart Failed"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.summary);
        notifier.sent.clear();
        notifications.operationFinished(c.operation, c.success, QStringLiteral("the reason"));
        for (const char* report : c.answers) {
            EXPECT_TRUE(notifier.sent.empty()) << "told before the service was seen there";
            answer(report);
        }
        ASSERT_EQ(summaries(), std::vector<std::string>{c.summary});
        const bool failed = std::string_view(c.summary).ends_with("Failed");
        EXPECT_EQ(notifier.sent[0].urgency,
                  failed ? NotificationUrgency::critical : NotificationUrgency::normal);
        if (failed) {
            EXPECT_NE(notifier.sent[0].body.find(c.success ? "It now reports: " : "the reason"),
                      std::string::npos);
        }
    }
    notifier.sent.clear();
    notifications.startupFailed(30);
    ASSERT_EQ(summaries(), std::vector<std::string>{"tarvex Failed to Start"});
    EXPECT_NE(notifier.sent[0].body.find("after 30 seconds"), std::string::npos);
}

TEST_F(ServiceNotificationsTest, NothingIsSentWhileSwitchedOff) {
    notifications.setEnabled(false);
    answer(ACTIVE_REPORT);
    answer(STOPPED_REPORT);
    notifications.operationFinished(ServiceOperation::start, false);
    notifications.startupFailed(30);
    EXPECT_TRUE(notifier.sent.empty());
    notifications.setEnabled(true);
    notifications.startupFailed(30);
    EXPECT_EQ(notifier.sent.size(), 1u);
}

}  // namespace
}  // namespace tarvex::testing
