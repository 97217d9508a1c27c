#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>

#include <QAccessible>

#include <functional>
#include <optional>

#include "monitor/ui/CommandActions.h"
#include "monitor/ui/MainWindowController.h"
#include "monitor/ui/StatusModel.h"
#include "tests/support/TestApplication.h"
#include "tests/support/TextFit.h"
#include "tests/support/WindowChild.h"

namespace tarvex {
namespace {

class LayoutTest : public ::testing::Test {
protected:
    void SetUp() override { testing::ensureTestApplication(); }
};

// The checker itself: a text cut by its widget is reported, one shown whole is not.
TEST_F(LayoutTest, TextFitFindsCutTextsAndOnlyThose) {
    const QString longText = QStringLiteral("Start automatically when the computer starts");
    struct Case {
        const char* what;
        std::function<QWidget*(QWidget*)> make;
        int width;
        bool cut;
    };
    const Case cases[] = {
        {"label, narrow", [&](QWidget* p) { return new QLabel(longText, p); }, 60, true},
        {"label, wide", [&](QWidget* p) { return new QLabel(longText, p); }, 380, false},
        {"checkbox, narrow", [&](QWidget* p) { return new QCheckBox(longText, p); }, 200, true},
        {"checkbox, wide", [&](QWidget* p) { return new QCheckBox(longText, p); }, 390, false},
        {"button, narrow", [&](QWidget* p) { return new QPushButton(longText, p); }, 120, true},
        {"wrapping label, room to wrap",
         [&](QWidget* p) {
             auto* label = new QLabel(longText, p);
             label->setWordWrap(true);
             return label;
         },
         120, false},
        {"outside the window", [&](QWidget* p) { return new QLabel(QStringLiteral("x"), p); }, 500,
         true},
    };
    for (const Case& c : cases) {
        QWidget window;
        window.resize(400, 100);
        QWidget* widget = c.make(&window);
        widget->setGeometry(0, 0, c.width, 90);
        testing::renderOffscreen(window);
        EXPECT_EQ(!testing::cutTexts(window).isEmpty(), c.cut) << c.what;
    }
}

TEST_F(LayoutTest, TheMainWindowShowsEveryTextWholeAndItsHeadingsFollowTheFont) {
    for (const std::optional<qreal> points : {std::optional<qreal>(), std::optional<qreal>(14)}) {
        std::optional<testing::ApplicationFontSize> font;
        if (points) {
            font.emplace(*points);
        }
        StatusModel model;
        CommandActions actions;
        MainWindowController controller(model, actions);
        controller.showWindow();
        QWidget& window = *controller.window();
        testing::renderOffscreen(window);
        const qreal base = QApplication::font().pointSizeF();
        EXPECT_EQ(testing::cutTexts(window), QStringList()) << base << " pt";
        EXPECT_DOUBLE_EQ(
            testing::windowChild<QLabel>(controller, "statusTitle")->font().pointSizeF(),
            base * 16 / 13);
        const auto* heading = window.findChild<QLabel*>(QString(), Qt::FindDirectChildrenOnly);
        ASSERT_NE(heading, nullptr);
        EXPECT_DOUBLE_EQ(heading->font().pointSizeF(), base * 10 / 13);
        if (points) {
            EXPECT_GT(window.height(), 500) << "the window grows with its font";
        }
    }
}

// Screen readers name every control, and the status card and its dot.
TEST_F(LayoutTest, EveryControlOfTheMainWindowHasAnAccessibleName) {
    StatusModel model;
    CommandActions actions;
    MainWindowController controller(model, actions);
    controller.showWindow();
    auto* dot = testing::windowChild<StatusDot>(controller, "statusDot");
    std::vector<QWidget*> named = {testing::windowChild<QWidget>(controller, "statusCard"), dot};
    for (QAbstractButton* button : controller.window()->findChildren<QAbstractButton*>()) {
        named.push_back(button);
    }
    for (QWidget* widget : named) {
        ASSERT_NE(widget, nullptr);
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
        ASSERT_NE(accessible, nullptr);
        EXPECT_FALSE(accessible->text(QAccessible::Name).isEmpty())
            << widget->metaObject()->className();
    }
    model.applyStatus(TarvexStatus{"3306", false, "", false, false}, HelperFault::none);
    EXPECT_EQ(QAccessible::queryAccessibleInterface(dot)->text(QAccessible::Name),
              QStringLiteral("tarvex: Stopped"));
}

}  // namespace
}  // namespace tarvex
