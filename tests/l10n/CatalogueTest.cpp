// The shipped catalogues against the sources and against the program that carries them.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <set>
#include <utility>

#include "monitor/controller/Translations.h"
#include "tests/l10n/TsCatalogue.h"
#include "tests/support/TestApplication.h"

namespace tarvex::testing {
namespace {

using Key = std::pair<QString, QString>;  // context, source text

std::set<Key> keysOf(const TsCatalogue& catalogue) {
    std::set<Key> keys;
    for (const TsMessage& message : catalogue.messages) {
        keys.insert({message.context, message.source});
    }
    return keys;
}

std::multiset<QString> placeholders(const QString& text) {
    static const QRegularExpression placeholder(QStringLiteral("%L?\\d+"));
    std::multiset<QString> found;
    for (const QRegularExpressionMatch& match : placeholder.globalMatch(text)) {
        found.insert(match.captured());
    }
    return found;
}

// The ending a text shows the user: three full stops and the single ellipsis are different
// texts, and a translation keeps the one its source has.
QString ellipsisOf(const QString& text) {
    if (text.endsWith(u'\u2026')) {
        return QStringLiteral("\u2026");
    }
    return text.endsWith(QStringLiteral("...")) ? QStringLiteral("...") : QString();
}

TEST(CatalogueTest, EveryShippedLanguageTranslatesEverySourceText) {
    ASSERT_FALSE(shippedCatalogues().isEmpty());
    for (const QString& path : shippedCatalogues()) {
        const TsCatalogue catalogue = readTsCatalogue(path);
        ASSERT_TRUE(catalogue.error.isEmpty())
            << path.toStdString() << ": " << catalogue.error.toStdString();
        EXPECT_FALSE(catalogue.messages.empty()) << path.toStdString();
        for (const TsMessage& m : catalogue.messages) {
            const std::string where = QFileInfo(path).fileName().toStdString() + " [" +
                                      m.context.toStdString() + "] \"" + m.source.toStdString() +
                                      "\"";
            EXPECT_TRUE(m.type.isEmpty()) << where << " is " << m.type.toStdString();
            EXPECT_FALSE(m.translation.trimmed().isEmpty()) << where << " has no translation";
            EXPECT_EQ(placeholders(m.translation), placeholders(m.source))
                << where << " -> \"" << m.translation.toStdString() << "\"";
            EXPECT_EQ(ellipsisOf(m.translation), ellipsisOf(m.source))
                << where << " -> \"" << m.translation.toStdString() << "\"";
        }
    }
}

TEST(CatalogueTest, CataloguesHoldExactlyTheTextsOfTheSources) {
    QTemporaryDir scratch;
    ASSERT_TRUE(scratch.isValid());
    const QString fresh = scratch.filePath(QStringLiteral("fresh.ts"));
    const QString root = QStringLiteral(TARVEX_SOURCE_DIR);
    QProcess lupdate;
    lupdate.setProcessChannelMode(QProcess::MergedChannels);
    lupdate.start(
        QStringLiteral(TARVEX_LUPDATE),
        {QStringLiteral("-no-obsolete"), QStringLiteral("-locations"), QStringLiteral("none"),
         QStringLiteral("-tr-function-alias"),
         QStringLiteral("QT_TRANSLATE_NOOP+=TARVEX_TRANSLATABLE"), QStringLiteral("-I"), root,
         root + QStringLiteral("/monitor"), root + QStringLiteral("/shared/AuthorizationText.cpp"),
         QStringLiteral("-ts"), fresh});
    ASSERT_TRUE(lupdate.waitForFinished(60000));
    ASSERT_EQ(lupdate.exitCode(), 0) << lupdate.readAll().toStdString();
    const std::set<Key> inSources = keysOf(readTsCatalogue(fresh));
    ASSERT_FALSE(inSources.empty());

    for (const QString& path : shippedCatalogues()) {
        const std::set<Key> shipped = keysOf(readTsCatalogue(path));
        for (const Key& key : inSources) {
            EXPECT_TRUE(shipped.count(key))
                << QFileInfo(path).fileName().toStdString() << " lacks [" << key.first.toStdString()
                << "] \"" << key.second.toStdString()
                << "\": build the target update_translations and translate it";
        }
        for (const Key& key : shipped) {
            EXPECT_TRUE(inSources.count(key))
                << QFileInfo(path).fileName().toStdString() << " still holds ["
                << key.first.toStdString() << "] \"" << key.second.toStdString()
                << "\", which no source uses: build the target update_translations";
        }
    }
}

// The program carries what the catalogues say, and picks the language from the locale.
TEST(CatalogueTest, TheProgramSpeaksEachShippedLanguage) {
    ensureTestApplication();
    for (const QString& path : shippedCatalogues()) {
        const TsCatalogue catalogue = readTsCatalogue(path);
        const QString language = catalogue.language.section(u'_', 0, 0);
        Translations translations;
        // A regional variant finds the language, and only the compiled-in copy is used.
        const QLocale regional(language + QStringLiteral("_CH"));
        ASSERT_EQ(translations.use(regional, {QStringLiteral(":/i18n")}).section(u'_', 0, 0),
                  language);
        for (const TsMessage& m : catalogue.messages) {
            EXPECT_EQ(QCoreApplication::translate(m.context.toUtf8().constData(),
                                                  m.source.toUtf8().constData()),
                      m.translation)
                << language.toStdString() << " [" << m.context.toStdString() << "] \""
                << m.source.toStdString() << "\"";
        }
        const QString qtCatalogue = QLibraryInfo::path(QLibraryInfo::TranslationsPath) +
                                    QStringLiteral("/qtbase_") + language + QStringLiteral(".qm");
        if (QFileInfo::exists(qtCatalogue)) {
            EXPECT_NE(
                QCoreApplication::translate("QCommandLineParser", "Displays version information."),
                QStringLiteral("Displays version information."))
                << "Qt's own texts stay English in " << language.toStdString();
        }
    }
}

TEST(CatalogueTest, EnglishAndUnshippedLanguagesKeepTheSourceTexts) {
    ensureTestApplication();
    Translations translations;
    for (const char* name : {"en_US", "C", "ja_JP"}) {
        // Whatever was installed before goes.
        ASSERT_FALSE(translations.use(QLocale(QStringLiteral("de_DE"))).isEmpty());
        EXPECT_EQ(translations.use(QLocale(QString::fromLatin1(name))), QString()) << name;
        EXPECT_EQ(QCoreApplication::translate("tarvex::AboutDialog", "Close"),
                  QStringLiteral("Close"))
            << name;
    }
}

}  // namespace
}  // namespace tarvex::testing
