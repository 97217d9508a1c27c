// Every window of the monitor, rendered headless in each shipped language: no text may be cut
// off, and no text that has a translation may show up untranslated.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "monitor/controller/Translations.h"
#include "monitor/desktop/DesktopSeams.h"
#include "monitor/desktop/LoginItem.h"
#include "monitor/desktop/TerminalScript.h"
#include "monitor/ui/SettingsWindowController.h"
#include "tests/l10n/TsCatalogue.h"
#include "tests/monitor/controller/ControllerHarness.h"
#include "tests/support/MonitorProbes.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TextFit.h"

namespace tarvex::testing {
namespace {

// The source texts that the catalogue of `language` renders differently.
std::set<QString> translatedSources(const QString& language) {
    std::set<QString> sources;
    for (const QString& path : shippedCatalogues()) {
        const TsCatalogue catalogue = readTsCatalogue(path);
        if (catalogue.language.section(u'_', 0, 0) != language) {
            continue;
        }
        for (const TsMessage& m : catalogue.messages) {
            if (m.translation != m.source) {
                sources.insert(m.source);
            }
        }
    }
    return sources;
}

// Looks at what one window shows. The same checks for every window, menu and alert.
class TextInspector {
public:
    explicit TextInspector(QString language)
        : language_(std::move(language)), untranslated_(translatedSources(language_)) {}

    void inspect(QWidget& window, const std::string& where, bool checkCuts = true) {
        renderOffscreen(window);
        for (const QString& cut : checkCuts ? cutTexts(window) : QStringList()) {
            ADD_FAILURE() << language_.toStdString() << ", " << where << ": " << cut.toStdString();
        }
        EXPECT_TRUE(fitsSmallScreen(window)) << language_.toStdString() << ", " << where << " at "
                                             << QApplication::font().pointSizeF() << " pt is "
                                             << window.width() << " x " << window.height();
        for (const QLabel* label : window.findChildren<QLabel*>()) {
            expectTranslated(label->text(), where);
        }
        for (const QAbstractButton* button : window.findChildren<QAbstractButton*>()) {
            expectTranslated(button->text(), where);
        }
        expectTranslated(window.windowTitle(), where);
    }

    void inspectMenu(QMenu& menu, const std::string& where) {
        const int screenWidth = menu.screen()->availableGeometry().width();
        EXPECT_LE(menu.sizeHint().width(), screenWidth) << where << " is wider than the screen";
        for (const QAction* action : menu.actions()) {
            expectTranslated(action->text(), where);
        }
    }

    void inspectAlert(const AlertSpec& alert) {
        const std::string where = "alert \"" + alert.message.toStdString() + "\"";
        for (const QString& text :
             QStringList{alert.message, alert.informativeText} + alert.buttons) {
            expectTranslated(text, where);
        }
        // The details are put together from several texts, each with what it names.
        for (const QString& source : untranslated_) {
            const QString fixedPart = source.section(u'%', 0, 0);
            EXPECT_FALSE(fixedPart.size() >= 12 && alert.details.contains(fixedPart))
                << language_.toStdString() << ": the details of " << where << " hold \""
                << fixedPart.toStdString() << "\" untranslated";
        }
        bool seen = false;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box != nullptr) {
                seen = true;
                // The message box wraps and sizes its own texts, so only their language is
                // checked here.
                inspect(*box, where, false);
                box->done(0);
            }
        });
        MessageBoxAlerts().runModal(alert);
        EXPECT_TRUE(seen) << where << " was not shown";
    }

private:
    void expectTranslated(const QString& text, const std::string& where) {
        EXPECT_EQ(untranslated_.count(text), 0u)
            << language_.toStdString() << ": \"" << text.toStdString()
            << "\" shows untranslated in " << where;
    }

    QString language_;
    std::set<QString> untranslated_;
};

// A language, and a font size: 20 points, or 0 for the test platform's own.
class RenderedTextTest : public ControllerTest,
                         public ::testing::WithParamInterface<std::tuple<const char*, int>> {
protected:
    void SetUp() override {
        ControllerTest::SetUp();
        const QString language = QString::fromLatin1(std::get<0>(GetParam()));
        EXPECT_EQ(translations.use(QLocale(language), {QStringLiteral(":/i18n")}).left(2),
                  language == u"en" ? QString() : language);
        if (std::get<1>(GetParam()) > 0) {
            font.emplace(std::get<1>(GetParam()));
        }
    }

    Translations translations;
    TextInspector inspector{QString::fromLatin1(std::get<0>(GetParam()))};
    std::optional<ApplicationFontSize> font;
};

TEST_P(RenderedTextTest, MainWindowStatusMenuAndAboutBox) {
    launch();
    answerStatus(true, ACTIVE_REPORT);
    QWidget* window = mainWindow(*app).window();
    ASSERT_NE(window, nullptr);
    inspector.inspect(*window, "the main window");
    pollAndAnswerFailure(HelperFault::permissionDenied);
    inspector.inspect(*window, "the main window with the helper notice");
    std::filesystem::remove_all(TARVEX_ROOT);
    pollAndAnswerFailure(HelperFault::noSocket);
    inspector.inspect(*window, "the main window while not installed");
    ASSERT_NE(statusMenu(*app), nullptr);
    inspector.inspectMenu(*statusMenu(*app), "the status menu");

    auto* about = window->findChild<QPushButton*>(QStringLiteral("aboutButton"));
    ASSERT_NE(about, nullptr);
    about->click();
    auto* box = window->findChild<QWidget*>(QStringLiteral("aboutDialog"));
    ASSERT_NE(box, nullptr);
    inspector.inspect(*box, "the About box");
}

TEST_P(RenderedTextTest, SettingsWindowThroughAFailedChange) {
    SettingsWindowController settings(runner, alerts, appHost,
                                      [](auto done) { done(std::string("disabled")); });
    settings.showWindow();
    auto* checkbox = settings.window()->findChild<QCheckBox*>(QStringLiteral("bootStartupSwitch"));
    ASSERT_NE(checkbox, nullptr);
    ASSERT_TRUE(checkbox->isEnabled());
    inspector.inspect(*settings.window(), "the settings window");

    checkbox->click();
    inspector.inspect(*settings.window(), "the settings window while enabling");
    ASSERT_TRUE(runner.answerNext(false));
    inspector.inspect(*settings.window(), "the settings window after a failure");
    ASSERT_EQ(alerts.shown.size(), 1u);
    inspector.inspectAlert(alerts.shown.front());
}

TEST_P(RenderedTextTest, EveryKindOfAlert) {
    launch();
    answerStatus(true, STARTING_REPORT);
    clock.advance(31.0);
    pollAndAnswer(STARTING_REPORT);  // the start-up failure alert, then its stop
    runner.answerNext(true);
    answerStatus(true, STOPPED_REPORT);
    commands(*app).setupService();      // confirmation, answered "Cancel"
    commands(*app).uninstallService();  // confirmation, answered "Cancel"
    commands(*app).startService();
    runner.answerNext(false);  // the result alert
    ASSERT_EQ(alerts.shown.size(), 4u);
    for (const AlertSpec& alert : alerts.shown) {
        inspector.inspectAlert(alert);
    }
}

// Texts made outside the windows, which once stayed English: the terminal's closing line and the
// errors of the terminal, the terminal script and the login item.
using DesktopTextsTest = ControllerTest;

TEST_F(DesktopTextsTest, TheTerminalsClosingLineAndTheDesktopLayersErrorsAreTranslated) {
    QFile aFile(QString::fromStdString(TARVEX_ROOT + "/a-file"));
    ASSERT_TRUE(aFile.open(QIODevice::WriteOnly));  // where no folder can be made
    for (const char* language : {"de", "fr"}) {
        Translations translations;
        translations.use(QLocale(QString::fromLatin1(language)), {QStringLiteral(":/i18n")});
        terminal.opened.clear();
        commands(launch()).viewLogs();
        ASSERT_EQ(terminal.opened.size(), 1u);
        QFile script(QString::fromStdString(terminal.opened[0]));
        ASSERT_TRUE(script.open(QIODevice::ReadOnly));
        QStringList texts = {
            QString::fromUtf8(script.readAll()),
            TerminalScriptLauncher(terminal, nullptr, [] { return std::nullopt; })
                .openTerminal("x")
                .reason(),
            XdgAutostart(TARVEX_ROOT + "/a-file/config", {}, {"x"}).setEnabled(true).reason()};
#ifndef __APPLE__
        {
            const ScopedEnv noPath("PATH", "");
            texts.push_back(DesktopTerminalOpener().openScript("x").reason());
        }
#endif
        for (const QString& text : texts) {
            ASSERT_FALSE(text.isEmpty());
            for (const char* english : {"Press any key", "There is no private folder",
                                        "Cannot create the folder", "No terminal program"}) {
                EXPECT_FALSE(text.contains(english)) << language << ": " << text.toStdString();
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Languages, RenderedTextTest,
                         ::testing::Combine(::testing::Values("en", "de", "fr"),
                                            ::testing::Values(0, 20)));

}  // namespace
}  // namespace tarvex::testing
