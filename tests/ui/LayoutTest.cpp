#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>

#include <functional>

#include "tests/support/TestApplication.h"
#include "tests/support/TextFit.h"

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

}  // namespace
}  // namespace tarvex
