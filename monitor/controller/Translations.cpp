#include "monitor/controller/Translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QStandardPaths>

namespace tarvex {

namespace {

constexpr char kCatalogue[] = "tarvex-monitor";
constexpr char kCompiledIn[] = ":/i18n";

}  // namespace

QStringList translationSearchPath() {
    QStringList folders = QStandardPaths::locateAll(QStandardPaths::GenericDataLocation,
                                                    QStringLiteral("tarvex-monitor/translations"),
                                                    QStandardPaths::LocateDirectory);
    folders << QString::fromLatin1(kCompiledIn);
    return folders;
}

Translations::~Translations() {
    removeInstalled();
}

void Translations::removeInstalled() {
    QCoreApplication::removeTranslator(&ours_);
    QCoreApplication::removeTranslator(&qt_);
}

QString Translations::use(const QLocale& locale, const QStringList& searchPath) {
    removeInstalled();
    for (const QString& folder : searchPath) {
        if (ours_.load(locale, QString::fromLatin1(kCatalogue), QStringLiteral("_"), folder)) {
            break;
        }
    }
    if (ours_.isEmpty()) {
        return {};
    }
    const QString language = ours_.language();
    QCoreApplication::installTranslator(&ours_);
    // Qt's own texts (standard dialogs, command-line help) are optional: without them the
    // dialogs Qt draws stay English.
    if (qt_.load(QLocale(language), QStringLiteral("qtbase"), QStringLiteral("_"),
                 QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QCoreApplication::installTranslator(&qt_);
    }
    return language;
}

}  // namespace tarvex
