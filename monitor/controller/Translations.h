#pragma once

#include <QLocale>
#include <QString>
#include <QStringList>
#include <QTranslator>

namespace tarvex {

// The folders searched, in order, for "tarvex-monitor_<language>.qm": the shared data folders
// (so a translator can try a new or corrected language without rebuilding), then the
// translations compiled into the program.
QStringList translationSearchPath();

// The monitor's translation and Qt's own for one language, installed in the application while
// this object lives. English, the language of the sources, needs neither.
class Translations {
public:
    Translations() = default;
    ~Translations();
    Translations(const Translations&) = delete;
    Translations& operator=(const Translations&) = delete;

    // Replaces what is installed by the best match for `locale` among the shipped languages.
    // Answers the language chosen, or "" when none matches (the texts stay English). Qt's
    // texts follow the language chosen, so that a window never mixes two languages.
    QString use(const QLocale& locale, const QStringList& searchPath = translationSearchPath());

private:
    void removeInstalled();

    QTranslator ours_;
    QTranslator qt_;
};

}  // namespace tarvex
