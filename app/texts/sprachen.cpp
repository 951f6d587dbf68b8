#include "app/texts/sprachen.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include "data/stationsettings.h"
#include "app/texts/texts_windows.h"

QString ApplicationTitle(int language)
{
    return QString::fromUtf8(language == 0 ? "Lärmwart" : "Noisewart");
}

void InitLanguageTexts()
{
    ClearTextGlobals(false);
    TStationSettings& c = CurrentStation;
    c.IPAddress.clear();
    c.SubnetMask.clear();
    c.LoginName.clear();
    c.LoginPass.clear();
    c.InitialDir.clear();
    c.Organisation.clear();
    c.StationName.clear();
    c.LastUpdate = 0;
}

void FreeLanguageTexts() { ClearTextGlobals(true); }

namespace {
// Qt's own texts (standard buttons, print and file dialogs) in German from Debian's
// translations; English needs none.
void ApplyQtTranslations(int language)
{
    static QTranslator* german = nullptr;
    if (!QCoreApplication::instance() || (german && language == 0))
        return;
    if (german) {
        QCoreApplication::removeTranslator(german);
        delete german;
        german = nullptr;
    }
    if (language != 0)
        return;
    auto* t = new QTranslator;
    if (t->load(QLocale(QLocale::German), QStringLiteral("qt"), QStringLiteral("_"),
                QLibraryInfo::path(QLibraryInfo::TranslationsPath)) &&
        QCoreApplication::installTranslator(t))
        german = t;
    else
        delete t;
}
}  // namespace

bool SetLanguage(int language)
{
    if (language != 0 && language != 1)
        return false;
    ApplyTextGlobals(language);
    ApplyQtTranslations(language);
    ApplyTextsMainMenu(language);
    ApplyTextsMain(language);  // holiday rule, application title, then the texts built from it
    ApplyTextsRSConfig(language);
    ApplyTextsFtpTransfer(language);
    ApplyTextsExcelTransfer(language);
    ApplyTextsConnect(language);
    ApplyTextsDirSelect(language);
    ApplyTextsStatName(language);
    ApplyTextsLogView(language);
    ApplyTextsInfo(language);
    ApplyTextsNumView(language);
    ApplyTextsTimezone(language);
    ApplyTextsStation(language);
    ApplyTextsStatEdit(language);
    ApplyTextsStatistik(language);
    ApplyTextsImport(language);
    ApplyTextsSelSprache(language);
    return true;
}
