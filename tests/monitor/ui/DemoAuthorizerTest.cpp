#include <gtest/gtest.h>

#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include "monitor/ui/DemoAuthorizer.h"
#include "tests/support/TestApplication.h"

namespace tarvex {
namespace {

// Answers the dialog from inside its own event loop, once it is up.
void answerDialogWith(const QString& buttonTitle, QString* promptSeen) {
    QTimer::singleShot(0, [buttonTitle, promptSeen] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        if (auto* prompt = dialog->findChild<QLabel*>(QStringLiteral("prompt"))) {
            *promptSeen = prompt->text();
        }
        for (QPushButton* button : dialog->findChildren<QPushButton*>()) {
            if (button->text() == buttonTitle) {
                button->click();
                return;
            }
        }
        dialog->done(-1);
        FAIL() << "no button " << buttonTitle.toStdString();
    });
}

TEST(DemoAuthorizerTest, AuthorizeGrantsAndShowsThePrompt) {
    testing::ensureTestApplication();
    DemoAuthorizer authorizer;
    QString prompt;
    answerDialogWith(QStringLiteral("Authorize"), &prompt);
    EXPECT_TRUE(authorizer.authorizeAdmin("tarvex Monitor needs your password to start."));
    EXPECT_EQ(prompt, QStringLiteral("tarvex Monitor needs your password to start."));
}

TEST(DemoAuthorizerTest, CancelRefuses) {
    testing::ensureTestApplication();
    DemoAuthorizer authorizer;
    QString prompt;
    answerDialogWith(QStringLiteral("Cancel"), &prompt);
    EXPECT_FALSE(authorizer.authorizeAdmin("stop"));
}

}  // namespace
}  // namespace tarvex
