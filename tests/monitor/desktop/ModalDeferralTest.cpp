#include <gtest/gtest.h>

#include <QMenu>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include <memory>

#include "monitor/desktop/ModalDeferral.h"
#include "tests/support/TestApplication.h"

namespace tarvex {
namespace {

class ModalDeferralTest : public ::testing::Test {
protected:
    void SetUp() override {
        testing::ensureTestApplication();
        deferral = std::make_unique<ModalDeferral>();
    }

    // Hands `work` over twice while `open` is up (the second under the same key replaces the
    // first), checks that nothing ran, then closes it; returns the runs seen after it closed.
    std::vector<int> handOverWhileOpen(const std::function<void()>& open,
                                       const std::function<void()>& close) {
        std::vector<int> runs;
        int key = 0;
        QTimer::singleShot(0, [&] {
            EXPECT_TRUE(ModalDeferral::userIsAnswering());
            deferral->runWhenIdle(&key, [&runs] { runs.push_back(1); });
            deferral->runWhenIdle(&key, [&runs] { runs.push_back(2); });
            EXPECT_TRUE(runs.empty()) << "ran behind the open window";
            close();
        });
        open();
        EXPECT_TRUE(runs.empty()) << "ran before the event loop came back";
        (void)QTest::qWaitFor([&] { return !runs.empty(); }, 5000);
        return runs;
    }

    std::unique_ptr<ModalDeferral> deferral;  // made once the application exists
};

TEST_F(ModalDeferralTest, RunsAtOnceWhenNothingModalIsOpen) {
    int runs = 0;
    deferral->runWhenIdle(this, [&runs] { ++runs; });
    EXPECT_EQ(runs, 1);
}

TEST_F(ModalDeferralTest, WaitsForAnOpenAlertOrMenuAndRunsTheLatestOnce) {
    QMessageBox box;
    EXPECT_EQ(handOverWhileOpen([&] { box.exec(); }, [&] { box.done(0); }), std::vector<int>{2});

    QMenu menu;
    menu.addAction(QStringLiteral("item"));
    EXPECT_EQ(handOverWhileOpen([&] { menu.exec(QPoint(10, 10)); }, [&] { menu.close(); }),
              std::vector<int>{2});
}

}  // namespace
}  // namespace tarvex
